// The settings dialog on its own: what OK stores, what Cancel and the close box and the keys do.
// The port list locked on an open port is the window's settings button's test.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QPushButton>

#include "serial/config_dialog.h"
#include "serial/option_tables.h"
#include "serial/port_settings.h"
#include "tools/testbed/qt_application.h"

namespace {

class ConfigTest : public ::testing::Test {
 protected:
  ConfigTest() {
    testbed::EnsureApplication();
    InitOptionTables();
    PortSettings = kStartupPortSettings;
  }

  // Opens the dialog, lets `choose` set it, presses OK; returns the dialog's result.
  int ChooseAndOk(const std::function<void(Config&)>& choose) {
    Config dialog(PortSettings, false);
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

TEST_F(ConfigTest, OkStoresEachListsEntryAndCode) {
  // Without changes, the fixed speed.
  PortSettings.BaudCode = 3;
  PortSettings.BaudIndex = 3;
  EXPECT_EQ(ChooseAndOk([](Config&) {}), QDialog::Accepted);
  PortSettingsRecord expected = kStartupPortSettings;
  expected.BaudIndex = 15;
  EXPECT_EQ(PortSettings, expected);

  ChooseAndOk([](Config& d) {
    d.cbPort->setCurrentText("COM256");
    d.cbBaudRate->setCurrentText("9600");
    d.cbParity->setCurrentText("Чет");
    d.cbByteSize->setCurrentText("7");
    d.cbStopBits->setCurrentText("2");
  });
  // Each list's entry and the code it gives the port.
  EXPECT_EQ(PortSettings.Port, 256);
  EXPECT_EQ(PortSettings.BaudCode, 12);
  EXPECT_EQ(PortSettings.ParityCode, 24);
  EXPECT_EQ(PortSettings.DataBitsCode, 2);
  EXPECT_EQ(PortSettings.StopBitsCode, 4);
  // The choices are shown again at the next opening, the speed excepted.
  Config again(PortSettings, false);
  EXPECT_EQ(again.cbParity->currentText(), QStringLiteral("Чет"));
  EXPECT_EQ(again.cbByteSize->currentText(), QStringLiteral("7"));
  EXPECT_EQ(again.cbStopBits->currentText(), QStringLiteral("2"));
  EXPECT_EQ(again.cbPort->currentText(), QStringLiteral("COM256"));
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
  Config dialog(PortSettings, false);
  EXPECT_TRUE(dialog.chHw->isChecked());
  EXPECT_FALSE(dialog.chRts->isEnabled());
  EXPECT_FALSE(dialog.chRts->isChecked());
  dialog.chHw->click();
  EXPECT_TRUE(dialog.chRts->isEnabled());
}

TEST_F(ConfigTest, CancelCloseBoxAndKeysLeaveTheSettings) {
  for (bool close_box : {false, true}) {
    Config dialog(PortSettings, false);
    dialog.show();
    dialog.cbParity->setCurrentIndex(2);
    dialog.chDtr->click();
    Press(&dialog, Qt::Key_Escape);  // not a way out
    Press(dialog.cbParity, Qt::Key_Return);  // no default button to press
    Press(&dialog, Qt::Key_Enter);
    EXPECT_TRUE(dialog.isVisible());
    close_box ? (void)dialog.close() : dialog.Cancel->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(PortSettings, kStartupPortSettings);
  }
}
