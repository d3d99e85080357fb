#include <sys/stat.h>

#include <QApplication>
#include <QFileDialog>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <gtest/gtest.h>

#include "fileutil/cls_open_file.h"
#include "fileutil/file_dialog_filter.h"
#include "tools/testbed/temp_folder.h"

using namespace testbed;
using namespace std::string_literals;

namespace {

// The application lives from before the first test to after the last, and goes before the
// program's exit handlers run (Qt's own statics go with them).
struct QtApplication : ::testing::Environment {
  void SetUp() override { app = std::make_unique<QApplication>(argc, argv); }
  void TearDown() override { app.reset(); }
  int argc = 1;
  char name[14] = "test_fileutil";
  char* argv[2] = {name, nullptr};
  std::unique_ptr<QApplication> app;
};

[[maybe_unused]] auto* const qt_application = ::testing::AddGlobalTestEnvironment(new QtApplication);

// Runs `act` on the file dialog as soon as one is shown, from inside its modal loop, while
// this object lives; `act` must close the dialog (by default it cancels).
struct DialogDriver {
  explicit DialogDriver(std::function<void(QFileDialog*)> act = [](QFileDialog* dialog) { dialog->reject(); }) {
    QObject::connect(&timer, &QTimer::timeout, [this, act] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (!dialog) return;
      timer.stop();
      shown = true;
      act(dialog);
    });
    timer.start(10);
  }
  QTimer timer;
  bool shown = false;
};

constexpr WId kNoSuchWindow = 0x7ffffff0;

}  // namespace

TEST(FileDialog, OffersThePatternAndEveryFileAndGivesTheChosenPath) {
  TempFolder folder;
  const std::string memo = folder.file("Запись 1.amr");
  write_file(memo, "#!AMR\n");
  QWidget owner;
  owner.show();

  {
    // Checked while the dialog is open; `shown` tells that it was.
    DialogDriver driver([&](QFileDialog* dialog) {
      EXPECT_EQ(dialog->nameFilters(), QStringList({"Файлы (*.amr) (*.amr)", "Все файлы (*.*) (*)"}));
      // shown as "Файлы (*.amr)" and "Все файлы (*.*)"
      EXPECT_TRUE(dialog->testOption(QFileDialog::HideNameFilterDetails));
      EXPECT_EQ(dialog->defaultSuffix(), "amr");
      EXPECT_EQ(dialog->windowTitle(), "Выберите запись");
      EXPECT_EQ(dialog->directory().absolutePath().toStdString(), folder.path());
      EXPECT_EQ(dialog->parentWidget(), &owner);
      dialog->selectFile(QString::fromStdString(memo));
      static_cast<QDialog*>(dialog)->accept();  // QFileDialog's own, which checks the choice
    });
    std::string filter = "Файлы (*.amr)";
    EXPECT_EQ(clsOpenFile().GetFileNameWithCommonDialog(owner.winId(), folder.path(), filter,
                                                         "Выберите запись", true),
              memo);
    EXPECT_TRUE(driver.shown);
    EXPECT_EQ(filter, "Файлы (*.amr)\0*.amr\0Все файлы (*.*)\0*.*\0"s);
  }

  // The all-files filter alone is offered once; a cancel gives empty text.
  DialogDriver driver([&](QFileDialog* dialog) {
    EXPECT_EQ(dialog->nameFilters(), QStringList({"Все файлы (*.*) (*)"}));
    EXPECT_EQ(dialog->defaultSuffix(), "");
    dialog->reject();
  });
  std::string filter = "Все файлы (*.*)";
  EXPECT_EQ(clsOpenFile().GetFileNameWithCommonDialog(0, folder.path(), filter, "", true), "");
  EXPECT_TRUE(driver.shown);
}

// An owner that is no window gives empty text at once (looked at before the filter); one
// closed while the dialog is open gives empty text too.
TEST(FileDialog, AnOwnerThatIsNoWindowOrGoesGivesEmptyText) {
  {
    DialogDriver watcher;
    std::string broken = "Файлы (*.amr";
    EXPECT_EQ(clsOpenFile().GetFileNameWithCommonDialog(kNoSuchWindow, "/tmp", broken, "Открыть", true), "");
    EXPECT_EQ(broken, "Файлы (*.amr");
    EXPECT_EQ(clsOpenFile().GetFolderName(kNoSuchWindow), "");
    QApplication::processEvents();
    EXPECT_FALSE(watcher.shown);
    EXPECT_THROW(clsOpenFile().GetFileNameWithCommonDialog(0, "/tmp", broken, "Открыть", true), FileUtilError);
  }
  auto* owner = new QWidget;
  owner->show();
  DialogDriver driver([owner](QFileDialog*) { delete owner; });
  EXPECT_EQ(clsOpenFile().GetFolderName(owner->winId()), "");
  EXPECT_TRUE(driver.shown);
}
