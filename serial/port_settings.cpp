#include "serial/port_settings.h"

PortSettingsRecord PortSettings = kStartupPortSettings;
