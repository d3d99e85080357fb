#include "app/main_window.h"

// The Save button's download sequence is built with the transfer engine; until then the
// button does nothing.
void frmMain::cmdsaveSMS_Click() {}
