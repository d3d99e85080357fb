// The settings dialog on its own: what it shows, what OK stores, what Cancel and the close box
// and the keys do.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QPushButton>

#include "serial/config_dialog.h"
#include "serial/option_tables.h"
#include "serial/port_settings.h"
#include "tests/support/qt_application.h"

namespace {

class ConfigTest : public ::testing::Test {
 protected:
  ConfigTest() {
    test_support::EnsureApplication();
    InitOptionTables();
    PortSettings = kStartupPortSettings;
  }

  // Opens the dialog, lets `choose` set it, presses OK; returns the dialog's result.
  int ChooseAndOk(const std::function<void(Config&)>& choose) {
    Config dialog;
    choose(dialog);
    dialog.OK->click();
    return dialog.result();
  }
};

void Press(QWidget* target, int key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &press);
}

}  // namespace

TEST_F(ConfigTest, ShowsTheSettingsAndItsLayout) {
  Config dialog;
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Параметры сом-порта"));
  EXPECT_EQ(dialog.size(), QSize(256, 159));
  EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
  EXPECT_FALSE(dialog.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));

  ASSERT_EQ(dialog.cbPort->count(), 256);
  EXPECT_EQ(dialog.cbPort->itemText(0), QStringLiteral("COM1"));
  EXPECT_EQ(dialog.cbPort->itemText(255), QStringLiteral("COM256"));
  EXPECT_EQ(dialog.cbPort->currentText(), QStringLiteral("COM5"));
  EXPECT_TRUE(dialog.cbPort->isEnabled());
  EXPECT_EQ(dialog.cbBaudRate->count(), 20);
  EXPECT_EQ(dialog.cbBaudRate->currentText(), QStringLiteral("57600"));
  EXPECT_EQ(dialog.cbParity->currentText(), QStringLiteral("Нет"));
  EXPECT_EQ(dialog.cbParity->itemText(4), QStringLiteral("Пробел"));
  EXPECT_EQ(dialog.cbByteSize->currentText(), QStringLiteral("8"));
  EXPECT_EQ(dialog.cbStopBits->currentText(), QStringLiteral("1"));
  for (QComboBox* list : {dialog.cbPort, dialog.cbBaudRate, dialog.cbParity, dialog.cbByteSize, dialog.cbStopBits})
    EXPECT_FALSE(list->isEditable());
  EXPECT_FALSE(dialog.chHw->isChecked());
  EXPECT_FALSE(dialog.chSw->isChecked());
  EXPECT_TRUE(dialog.chDtr->isChecked());
  EXPECT_TRUE(dialog.chRts->isChecked());
  EXPECT_TRUE(dialog.chRts->isEnabled());
  EXPECT_EQ(dialog.OK->text(), QStringLiteral("OK"));
  EXPECT_EQ(dialog.Cancel->text(), QStringLiteral("Отмена"));
  EXPECT_FALSE(dialog.OK->isDefault() || dialog.OK->autoDefault() || dialog.Cancel->autoDefault());

  // The two groups of boxes lie below the visible edge.
  for (QCheckBox* box : {dialog.chHw, dialog.chSw, dialog.chDtr, dialog.chRts}) {
    EXPECT_GE(box->parentWidget()->y(), dialog.height());
    EXPECT_EQ(box->focusPolicy() & Qt::TabFocus, Qt::TabFocus);
  }
  EXPECT_EQ(dialog.chHw->parentWidget()->geometry(), QRect(2, 170, 107, 65));
  EXPECT_EQ(qobject_cast<QGroupBox*>(dialog.chDtr->parentWidget())->title(), QStringLiteral("Output Status"));

  // Tab order: the five lists, the four boxes, OK, Cancel.
  const std::vector<QWidget*> order = {dialog.cbPort, dialog.cbBaudRate, dialog.cbParity, dialog.cbByteSize,
                                       dialog.cbStopBits, dialog.chHw, dialog.chSw, dialog.chDtr,
                                       dialog.chRts, dialog.OK, dialog.Cancel};
  QWidget* at = dialog.cbPort;
  for (std::size_t i = 1; i < order.size(); ++i) {
    do at = at->nextInFocusChain();
    while (!(at->focusPolicy() & Qt::TabFocus));
    EXPECT_EQ(at, order[i]) << i;
  }
}

TEST_F(ConfigTest, OkWithoutChangesStoresTheFixedSpeed) {
  PortSettings.BaudCode = 3;
  PortSettings.BaudIndex = 3;
  EXPECT_EQ(ChooseAndOk([](Config&) {}), QDialog::Accepted);
  PortSettingsRecord expected = kStartupPortSettings;
  expected.BaudIndex = 15;
  EXPECT_EQ(PortSettings, expected);
}

TEST_F(ConfigTest, EachListStoresItsCode) {
  const std::pair<int, int> parities[] = {{0, 0}, {1, 24}, {2, 8}, {3, 40}, {4, 56}};  // "Чет" 24, "Нечет" 8
  for (auto [entry, code] : parities) {
    ChooseAndOk([entry](Config& d) { d.cbParity->setCurrentIndex(entry); });
    EXPECT_EQ(PortSettings.ParityCode, code) << entry;
    EXPECT_EQ(PortSettings.ParityIndex, entry);
  }
  // The lists whose entry n has code n: data bits (5 to 8) and speeds (50 to 921600).
  struct NumberedList {
    QComboBox* Config::*list;
    int entries;
    std::int16_t PortSettingsRecord::*code;
    std::int16_t PortSettingsRecord::*index;
  };
  for (const NumberedList& numbered : {NumberedList{&Config::cbByteSize, 4, &PortSettingsRecord::DataBitsCode,
                                                    &PortSettingsRecord::DataBitsIndex},
                                       NumberedList{&Config::cbBaudRate, 20, &PortSettingsRecord::BaudCode,
                                                    &PortSettingsRecord::BaudIndex}}) {
    for (int entry = 0; entry < numbered.entries; ++entry) {
      ChooseAndOk([&](Config& d) { (d.*numbered.list)->setCurrentIndex(entry); });
      EXPECT_EQ(PortSettings.*numbered.code, entry);
      EXPECT_EQ(PortSettings.*numbered.index, entry);
    }
  }
  ChooseAndOk([](Config& d) { d.cbStopBits->setCurrentText("2"); });
  EXPECT_EQ(PortSettings.StopBitsCode, 4);
  EXPECT_EQ(PortSettings.StopBitsIndex, 1);
  ChooseAndOk([](Config& d) { d.cbPort->setCurrentText("COM256"); });
  EXPECT_EQ(PortSettings.Port, 256);
  // The parity and data bits chosen earlier are shown again at the next opening.
  Config again;
  EXPECT_EQ(again.cbParity->currentIndex(), 4);
  EXPECT_EQ(again.cbByteSize->currentIndex(), 3);
  EXPECT_EQ(again.cbStopBits->currentIndex(), 1);
  EXPECT_EQ(again.cbPort->currentIndex(), 255);
}

TEST_F(ConfigTest, RtsCtsTogglesTheRtsBox) {
  ChooseAndOk([](Config& d) {
    d.chRts->setChecked(false);
    d.chHw->click();
    EXPECT_FALSE(d.chRts->isEnabled());
    d.chHw->click();
    EXPECT_TRUE(d.chRts->isEnabled());
    d.chHw->click();  // on again: RTS disabled, its value still saved
    d.chSw->click();
    d.chDtr->click();
  });
  EXPECT_EQ(PortSettings.HwFlow, 1);
  EXPECT_EQ(PortSettings.SwFlow, 1);
  EXPECT_EQ(PortSettings.Rts, 0);
  EXPECT_EQ(PortSettings.Dtr, 0);

  // Loaded with RTS/CTS on, the RTS box starts disabled and the first click enables it.
  Config dialog;
  EXPECT_TRUE(dialog.chHw->isChecked());
  EXPECT_FALSE(dialog.chRts->isEnabled());
  EXPECT_FALSE(dialog.chRts->isChecked());
  dialog.chHw->click();
  EXPECT_TRUE(dialog.chRts->isEnabled());
}

TEST_F(ConfigTest, CancelCloseBoxAndKeysLeaveTheSettings) {
  {
    Config dialog;
    dialog.show();
    dialog.cbParity->setCurrentIndex(2);
    dialog.chDtr->click();
    Press(&dialog, Qt::Key_Escape);  // not a way out
    EXPECT_TRUE(dialog.isVisible());
    Press(dialog.cbParity, Qt::Key_Return);  // no default button to press
    Press(&dialog, Qt::Key_Enter);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(PortSettings, kStartupPortSettings);
    dialog.Cancel->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
  }
  EXPECT_EQ(PortSettings, kStartupPortSettings);
  {
    Config dialog;
    dialog.show();
    dialog.cbBaudRate->setCurrentIndex(0);
    dialog.close();  // the close box
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
  }
  EXPECT_EQ(PortSettings, kStartupPortSettings);
}
