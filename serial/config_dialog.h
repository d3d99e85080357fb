// The connection settings dialog "Параметры сом-порта": shows a settings record when it opens and
// writes the user's choice back into it on OK. Applying the choice to an open port is the caller's.
#pragma once

#include <QDialog>

#include "serial/port_settings.h"

class QCheckBox;
class QComboBox;
class QPushButton;

class Config : public QDialog {
  Q_OBJECT

 public:
  // Loads the controls from `settings`, which OK writes; the port list is locked while the port
  // is open.
  Config(PortSettingsRecord& settings, bool port_open, QWidget* parent = nullptr);

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

  PortSettingsRecord& settings_;
  const bool port_open_;
  bool HwFlowOn = false;  // whether "RTS/CTS" is ticked, as the clicks have left it
};
