// The messages for failed serial operations.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <grp.h>
#include <sys/stat.h>

#include "serial/port_settings.h"
#include "serial/serial_errors.h"
#include "sio/sio.h"
#include "tests/support/message_recorder.h"
#include "tools/testbed/pty_pair.h"
#include "tools/testbed/qt_application.h"
#include "tools/testbed/temp_folder.h"

// The fix for a refused open: membership of the group that owns the device the port reaches.
TEST(SerialErrors, AccessDeniedNamesTheDevicesGroup) {
  testbed::ScopedProgramFolder folder;
  testbed::PtyPair pty;
  folder.link_port(PortSettings.Port, pty.device());
  struct stat st;
  ASSERT_EQ(stat(pty.device().c_str(), &st), 0);
  const QString group = QString::fromLocal8Bit(getgrgid(st.st_gid)->gr_name);
  EXPECT_TRUE(SerialErrorText(SIO_ACCESSDENIED)->contains(QStringLiteral("«%1» (sudo adduser $USER %1)").arg(group)));
  folder.link_port(PortSettings.Port, folder.file("missing"));
  EXPECT_TRUE(SerialErrorText(SIO_ACCESSDENIED)->contains(QStringLiteral("в группу, которой принадлежит устройство порта")));
}
