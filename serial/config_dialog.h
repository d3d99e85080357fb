// The connection settings dialog "Параметры сом-порта": shows PortSettings when it opens and
// writes the user's choice back on OK. Applying the choice to an open port is the caller's.
#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QPushButton;

class Config : public QDialog {
  Q_OBJECT

 public:
  // Loads the controls from PortSettings; the port list is locked while the port is open.
  explicit Config(QWidget* parent = nullptr);

  QComboBox* cbPort;
  QComboBox* cbBaudRate;
  QComboBox* cbParity;
  QComboBox* cbByteSize;
  QComboBox* cbStopBits;
  QPushButton* OK;
  QPushButton* Cancel;
  // Below the visible edge: loaded, saved and reachable by Tab, not seen.
  QCheckBox* chHw;
  QCheckBox* chSw;
  QCheckBox* chDtr;
  QCheckBox* chRts;

 public slots:
  void chHw_Click();
  void OK_Click();
  void Cancel_Click();

 protected:
  // Only the two buttons and the close box end the dialog: Esc does not.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void CreateControls();
  void Form_Load();

  bool HwFlowOn = false;  // whether "RTS/CTS" is ticked, as the clicks have left it
};
