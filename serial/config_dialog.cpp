#include "serial/config_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "ui/twips.h"
#include "serial/option_tables.h"
#include "serial/port_settings.h"

namespace {

constexpr int kPortCount = 256;
constexpr int kFixedBaudEntry = 15;  // "57600": the list opens there, whatever was chosen before

template <std::size_t N>
QComboBox* List(QWidget* parent, const QRect& geometry, const std::array<const char*, N>& entries) {
  auto* list = new QComboBox(parent);
  list->setGeometry(geometry);
  for (const char* entry : entries) list->addItem(QString::fromUtf8(entry));
  return list;
}

QComboBox* PortList(QWidget* parent, const QRect& geometry) {
  auto* list = new QComboBox(parent);
  list->setGeometry(geometry);
  for (int n = 1; n <= kPortCount; ++n) list->addItem(QStringLiteral("COM%1").arg(n));
  return list;
}

void Caption(const char* text, QWidget* parent, const QRect& geometry) {
  (new QLabel(QString::fromUtf8(text), parent))->setGeometry(geometry);
}

QGroupBox* Group(const char* title, QWidget* parent, const QRect& geometry) {
  auto* group = new QGroupBox(QString::fromUtf8(title), parent);
  group->setGeometry(geometry);
  return group;
}

QCheckBox* Box(const char* caption, QWidget* parent, const QRect& geometry) {
  auto* box = new QCheckBox(QString::fromUtf8(caption), parent);
  box->setGeometry(geometry);
  return box;
}

// Neither button is the default: Enter does not press OK.
QPushButton* Button(const char* caption, QWidget* parent, const QRect& geometry) {
  auto* button = new QPushButton(QString::fromUtf8(caption), parent);
  button->setGeometry(geometry);
  button->setAutoDefault(false);
  button->setDefault(false);
  return button;
}

std::int16_t Flag(const QCheckBox* box) { return box->isChecked() ? 1 : 0; }

}  // namespace

Config::Config(PortSettingsRecord& settings, bool port_open, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      settings_(settings),
      port_open_(port_open) {
  setWindowTitle(QStringLiteral("Параметры сом-порта"));
  CreateControls();
  setFixedSize(TwipsToPixels(3840), TwipsToPixels(2385));
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  Form_Load();
}

void Config::CreateControls() {
  QGroupBox* settings = Group("Параметры", this, Twips(30, 60, 2715, 2292));
  Caption("Порт :", settings, Twips(240, 360, 1095, 255));
  cbPort = PortList(settings, Twips(1410, 330, 1212, 315));
  Caption("Скорость :", settings, Twips(240, 750, 1095, 255));
  cbBaudRate = List(settings, Twips(1410, 690, 1212, 315), kBaudRateEntries);
  Caption("Четность : ", settings, Twips(240, 1110, 1095, 255));
  cbParity = List(settings, Twips(1410, 1050, 1212, 315), kParityEntries);
  Caption("Биты данных :", settings, Twips(240, 1470, 1095, 255));
  cbByteSize = List(settings, Twips(1410, 1410, 1212, 315), kDataBitsEntries);
  Caption("Стоповые биты :", settings, Twips(60, 1830, 1275, 255));
  cbStopBits = List(settings, Twips(1410, 1770, 1212, 315), kStopBitsEntries);

  OK = Button("OK", this, Twips(2820, 90, 972, 372));
  Cancel = Button("Отмена", this, Twips(2820, 570, 972, 372));

  QGroupBox* flow = Group("Flow Control", this, Twips(30, 2550, 1605, 972));
  chHw = Box("RTS/CTS", flow, Twips(240, 240, 1275, 252));
  chSw = Box("XON/XOFF", flow, Twips(240, 600, 1275, 252));
  QGroupBox* lines = Group("Output Status", this, Twips(1617, 2550, 1185, 972));
  chDtr = Box("DTR", lines, Twips(120, 240, 915, 252));
  chRts = Box("RTS", lines, Twips(120, 600, 915, 252));

  QWidget* order[] = {cbPort, cbBaudRate, cbParity, cbByteSize, cbStopBits, chHw,
                      chSw,   chDtr,      chRts,    OK,         Cancel};
  for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

  // clicked() comes from the user only, not from the load step setting the box.
  connect(chHw, &QCheckBox::clicked, this, &Config::chHw_Click);
  connect(OK, &QPushButton::clicked, this, &Config::OK_Click);
  connect(Cancel, &QPushButton::clicked, this, &Config::Cancel_Click);
}

void Config::Form_Load() {
  cbPort->setCurrentIndex(settings_.Port - 1);
  cbBaudRate->setCurrentIndex(kFixedBaudEntry);
  cbParity->setCurrentIndex(settings_.ParityIndex);
  cbByteSize->setCurrentIndex(settings_.DataBitsIndex);
  cbStopBits->setCurrentIndex(settings_.StopBitsIndex);
  chHw->setChecked(settings_.HwFlow == 1);
  chSw->setChecked(settings_.SwFlow == 1);
  chRts->setChecked(settings_.Rts == 1);
  chDtr->setChecked(settings_.Dtr == 1);
  HwFlowOn = settings_.HwFlow == 1;
  chRts->setEnabled(!HwFlowOn);
  // The port number cannot change under an open port.
  cbPort->setEnabled(!port_open_);
}

// The RTS box stays enabled exactly while RTS/CTS is clear; it keeps its value while disabled.
void Config::chHw_Click() {
  chRts->setEnabled(HwFlowOn);
  HwFlowOn = !HwFlowOn;
}

void Config::OK_Click() {
  settings_.Port = cbPort->currentIndex() + 1;
  settings_.BaudIndex = static_cast<std::int16_t>(cbBaudRate->currentIndex());
  settings_.ParityIndex = static_cast<std::int16_t>(cbParity->currentIndex());
  settings_.DataBitsIndex = static_cast<std::int16_t>(cbByteSize->currentIndex());
  settings_.StopBitsIndex = static_cast<std::int16_t>(cbStopBits->currentIndex());
  settings_.BaudCode = BaudCodes[static_cast<std::size_t>(settings_.BaudIndex)];
  settings_.DataBitsCode = DataBitsCodes[static_cast<std::size_t>(settings_.DataBitsIndex)];
  settings_.ParityCode = ParityCodes[static_cast<std::size_t>(settings_.ParityIndex)];
  settings_.StopBitsCode = StopBitsCodes[static_cast<std::size_t>(settings_.StopBitsIndex)];
  settings_.HwFlow = Flag(chHw);
  settings_.SwFlow = Flag(chSw);
  settings_.Rts = Flag(chRts);
  settings_.Dtr = Flag(chDtr);
  accept();
}

void Config::Cancel_Click() { reject(); }

void Config::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}
