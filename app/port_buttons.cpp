// The three port buttons and the window's side of opening and closing the port.
#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include "app/main_window.h"
#include "serial/config_dialog.h"
#include "serial/port_lifecycle.h"
#include "serial/port_settings.h"
#include "sio/sio.h"

// The window stays as it is until the phone's first complete answer connects it.
bool frmMain::OpenPort() {
  if (!OpenAndConfigurePort(PortSettings)) return false;
  GbOpen = true;
  AddCommand("ATZ");
  AddCommand("AT+GMM");
  AddCommand("AT+GMR");
  return true;
}

// Safe whether or not the port is open.
void frmMain::ClosePort() {
  sio_close(PortSettings.Port);
  GbOpen = false;
  LeaveSmsListing();
  cmdPortOpen->setEnabled(true);
  cmdPortClose->setEnabled(false);
  pcSms->setEnabled(false);
  lstCommand->clear();
  tmrNewCommand->stop();
}

void frmMain::cmdPortOpen_Click() {
  ClearDisplays();
  OpenPort();
}

void frmMain::cmdPortClose_Click() {
  ClearDisplays();
  ClosePort();
}

void frmMain::cmdOption_Click() {
  const PortSettingsRecord snapshot = PortSettings;
  {
    Config dialog(this);
    dialog.exec();  // OK, Cancel or the close box
  }
  // After Cancel too: the unchanged settings are applied again. A closed port gets them when
  // it is opened.
  if (GbOpen && !ConfigurePort(PortSettings)) PortSettings = snapshot;
}
