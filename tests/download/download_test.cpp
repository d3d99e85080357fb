// The Save button's download against the phone simulator: the received memo ends up beside the
// program under its display name, byte for byte, and every failure ends in its message with the
// window idle and nothing stray left behind.
#include <QKeyEvent>
#include <QListWidget>
#include <fstream>

#include "app/terminal_box.h"
#include "serial/serial_errors.h"
#include "tools/e365sim/sim_process.h"
#include "tests/support/window_fixture.h"
#include "transfer/ft_proc.h"

using testbed::file_exists;
using testbed::read_file;
using testbed::write_file;

namespace {

std::string SampleBytes(const std::string& name) {
  return read_file(std::string(VOKAREL_SAMPLES_DIR) + "/" + name + ".amr");
}

// The window connected to the phone simulator, linked as COM5 in the program folder.
class DownloadTest : public WindowTest {
 protected:
  DownloadTest() {
    QObject::connect(&window->Session(), &PhoneSession::lineSent, [this](const std::string& line) {
      if (line.starts_with("AT%PCTL=GET")) ++gets_sent;
    });
  }

  // Starts the simulator with `args` (besides its folder and port), opens the port to it and
  // lists the memos. A paced phone takes long enough over the large memo for it to be stopped halfway.
  void Connect(std::vector<std::string> args = {}, bool paced = false) {
    args.insert(args.end(), {"--folder", folder.path(), "--port", "5"});
    if (!paced) args.push_back("--no-pacing");
    if (sim) window->cmdPortClose->click();
    sim.reset();
    sim = std::make_unique<e365sim_client::SimProcess>(args);
    ASSERT_FALSE(sim->device().empty());
    window->cmdPortOpen->click();
    ASSERT_TRUE(testbed::PumpUntil([this] { return window->pcSms->isEnabled() && window->lstCommand->count() == 0; }, 10000));
    window->cmdRefresh->click();
    ASSERT_TRUE(testbed::PumpUntil([this] { return window->lstAmr->count() > 0; }, 10000));
    testbed::PumpFor(200);
  }

  int RowOf(const QString& display) const {
    const auto found = window->lstAmr->findItems(display, Qt::MatchExactly);
    return found.isEmpty() ? -1 : window->lstAmr->row(found.first());
  }

  // Selects the memo and presses Save; returns when the download has ended.
  void Save(const QString& display) {
    const int row = RowOf(display);
    ASSERT_GE(row, 0) << display.toStdString();
    window->lstAmr->setCurrentRow(row);
    messages.clear();
    window->cmdsaveSMS->click();
  }

  // Runs `action` `ms` milliseconds from now, inside the transfer's event processing.
  void During(int ms, std::function<void()> action) { QTimer::singleShot(ms, window.get(), std::move(action)); }

  bool Idle() const {
    return window->cmdsaveSMS->isEnabledTo(window->pcSms) && window->tmrRecive->isActive() &&
           !window->tmrSend->isActive() && window->ProgressDialog() == nullptr;
  }

  // The names in the program folder besides the port link.
  std::vector<std::string> FolderFiles() const {
    std::vector<std::string> names = testbed::names_in(folder.path());
    std::erase(names, "COM5");
    return names;
  }

  QString OnlyMessage() const { return recorder.Only(); }

  std::unique_ptr<e365sim_client::SimProcess> sim;
  int gets_sent = 0;
};

const QString kSuccess = QString::fromUtf8("Прием файла успешно завершен!\r\nМестонахождение файла: ");
const QString kAborted = QString::fromUtf8("Прервано пользователем");
const QString kWriteError = QString::fromUtf8("Во время записи произошла ошибка!");
const QString kOtherFile = QString::fromUtf8("Телефон прислал другой файл, а не запрошенную запись: ");

}  // namespace

TEST_F(DownloadTest, SavesMemosByteForByteUnderTheirDisplayNames) {
  Connect();
  // A Latin name, Cyrillic with "Ё", and a raw name longer than 30 bytes; the memo selected when
  // the send tick comes is the one saved.
  const std::pair<const char*, const char*> saves[] = {
      {"Звонок_от_Алёны", "memo01"}, {"Ёлка_2006", "Ёлка_2006"}, {"Заметка_1_встреча_с_клиентом", "Заметка_1_встреча_с_клиентом"}};
  for (const auto& [pressed, memo] : saves) {
    During(100, [this, memo] { window->lstAmr->setCurrentRow(RowOf(QString::fromUtf8(memo))); });
    Save(QString::fromUtf8(pressed));
    const std::string saved = folder.file(std::string(memo) + ".amr");
    ASSERT_EQ(messages.size(), 1u) << memo;
    EXPECT_EQ(messages[0].icon, MessageIcon::Information);
    EXPECT_EQ(messages[0].text, kSuccess + QString::fromUtf8(saved.c_str()));
    EXPECT_EQ(read_file(saved), SampleBytes(memo)) << memo;
    EXPECT_TRUE(Idle());
  }
  EXPECT_EQ(FolderFiles(), (std::vector<std::string>{"memo01.amr", "Ёлка_2006.amr", "Заметка_1_встреча_с_клиентом.amr"}));
  // The window's title and lists are untouched by the downloads.
  EXPECT_EQ(window->lstAmr->count(), window->lstName->count());
}

// Nothing selected, a name with a space, a name no file may have (listed, or selected when the
// send tick comes): each is refused with its message before the phone is asked anything.
TEST_F(DownloadTest, RefusalsComeBeforeAnythingIsSent) {
  Connect({"--extra-memo", "../escaped-memo", "--extra-memo", "a/b", "--extra-memo", ".."});
  window->lstAmr->clearSelection();
  window->lstAmr->setCurrentRow(-1);
  window->cmdsaveSMS->click();
  EXPECT_EQ(OnlyMessage(), QString::fromUtf8("Выберите запись для сохранения."));
  EXPECT_EQ(messages[0].icon, MessageIcon::Information);
  Save(QString::fromUtf8("Список покупок"));
  EXPECT_EQ(OnlyMessage(), QString::fromUtf8("В название записи есть пробел, уберите его и повторите снова."));
  for (const char* memo : {"../escaped-memo", "a/b", ".."}) {
    Save(QString::fromUtf8(memo));
    EXPECT_EQ(OnlyMessage(), kWriteError) << memo;
    EXPECT_EQ(messages[0].icon, MessageIcon::Warning);
    EXPECT_TRUE(Idle());
  }
  During(100, [this] { window->lstAmr->setCurrentRow(RowOf("a/b")); });
  Save("memo01");
  EXPECT_EQ(OnlyMessage(), kWriteError);
  EXPECT_TRUE(Idle());
  testbed::PumpFor(700);
  EXPECT_EQ(gets_sent, 0);
  EXPECT_TRUE(FolderFiles().empty());
  EXPECT_FALSE(file_exists(folder.path() + "/../escaped-memo"));
}

// A file in the way, of the raw name the phone announces or of the memo's own name, is never
// touched and is named; for the memo's own name the phone is not even asked.
TEST_F(DownloadTest, AFileInTheWayIsNeverTouchedAndIsNamed) {
  write_file(folder.file("memo01"), "kept by the user");
  write_file(folder.file(".sio-receive-Ab3dE9"), "left by a program that died while receiving");
  Connect();
  Save("memo01");
  EXPECT_EQ(OnlyMessage(), QString::fromUtf8("Не могу открыть файл\r\nФайл уже существует: ") +
                               QString::fromStdString(folder.file("memo01")));
  EXPECT_EQ(FolderFiles(), std::vector<std::string>{"memo01"});
  EXPECT_TRUE(Idle());

  const int asked = gets_sent;
  const std::string saved = folder.file("memo01.amr");
  write_file(saved, "the user's own edit");
  Save("memo01");
  EXPECT_EQ(OnlyMessage(), QString::fromUtf8("Файл уже существует: ") + QString::fromStdString(saved) +
                               QString::fromUtf8("\r\nПереименуйте или переместите его и повторите снова."));
  EXPECT_EQ(messages[0].icon, MessageIcon::Information);
  EXPECT_EQ(gets_sent, asked);
  EXPECT_EQ(read_file(saved), "the user's own edit");
  EXPECT_EQ(read_file(folder.file("memo01")), "kept by the user");
  EXPECT_TRUE(Idle());
}

// Cancel, the close box and Esc stop a running transfer, and so does closing the port; a cancel
// before the GET went out asks nothing of the phone.
TEST_F(DownloadTest, CancelCloseBoxEscAndClosingThePortEndARunningTransfer) {
  Connect({}, true);
  auto cancel = [this] { window->ProgressDialog()->StatDlgCancel->click(); };
  auto esc = [this] {
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(window->ProgressDialog(), &esc);
  };
  struct Way {
    int after_ms;
    std::function<void()> stop;
    QString message;
  } const ways[] = {
      {0, cancel, kAborted},
      {1500, [&] { cancel(); cancel(); }, kAborted},
      {1500, [this] { window->ProgressDialog()->close(); }, kAborted},
      {1500, esc, kAborted},
      // Last, as the port stays closed.
      {1500, [this] { window->cmdPortClose->click(); }, QString::fromUtf8("Порт не был открыт заранее")},
  };
  for (const Way& way : ways) {
    During(way.after_ms, [&] {
      ASSERT_NE(window->ProgressDialog(), nullptr);
      way.stop();
      EXPECT_TRUE(window->ProgressDialog()->isVisible());  // only the engine unloads it
    });
    Save(QString::fromUtf8("Лекция"));
    EXPECT_EQ(OnlyMessage(), way.message);
    EXPECT_TRUE(Idle());
    EXPECT_TRUE(FolderFiles().empty());
    testbed::PumpFor(1500);  // the phone's cancelled transfer drains into the terminal
    if (way.after_ms == 0) {
      EXPECT_EQ(gets_sent, 0);
    }
    EXPECT_EQ(window->lstCommand->count(), 0);
  }
  EXPECT_FALSE(window->GbOpen());
}

// The phone sends a file under another name than the memo's, cancels the transfer, never starts it
// or hangs up: each ends in its message, with the window idle and nothing kept.
TEST_F(DownloadTest, FailuresOfThePhoneEndInTheirMessages) {
  struct Case {
    std::vector<std::string> faults;
    const char* saved;
    QString message;
  } const cases[] = {
      // A download of memo01 cancelled late, then Ёлка saved.
      {{"--announce", "memo01"}, "Ёлка_2006", kOtherFile + "memo01"},
      {{"--announce", "memo01.amr"}, "memo01", kOtherFile + "memo01.amr"},  // the name the memo's file gets
      {{"--announce", "../../escape"}, "memo01", kOtherFile + "escape"},  // stored under its last part
      {{"--cancel-after", "2000"}, "memo01", QString::fromUtf8("Прервано другой стороной")},
      {{"--silent-get"}, "memo01", QString::fromUtf8("Время ожидания приема истекло")},
      // Last, as the port closes after it: the transfer's own failure comes first.
      {{"--hangup-after", "5000"}, "memo01", SystemErrorText(EIO)},
  };
  for (const Case& c : cases) {
    Connect(c.faults);
    Save(QString::fromUtf8(c.saved));
    EXPECT_EQ(OnlyMessage(), c.message) << c.faults[0];
    EXPECT_TRUE(Idle());
    EXPECT_TRUE(FolderFiles().empty()) << c.faults[0];
  }
  EXPECT_FALSE(file_exists(folder.path() + "/../../escape"));
  EXPECT_FALSE(file_exists(folder.path() + "/../escape"));
  // The vanished phone then closes the port, once.
  ASSERT_TRUE(testbed::PumpUntil([this] { return !window->GbOpen(); }));
  testbed::PumpFor(500);
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[1].text, SerialErrorText(SIO_GONE).value());
  EXPECT_TRUE(window->cmdPortOpen->isEnabled());
  EXPECT_FALSE(window->pcSms->isEnabled());
  EXPECT_TRUE(Idle());
}

TEST_F(DownloadTest, ClosingTheWindowDuringATransferWaitsForItsEnd) {
  Connect({}, true);
  window->show();
  During(1500, [this] {
    window->close();
    EXPECT_TRUE(window->isVisible());
  });
  Save(QString::fromUtf8("Лекция"));
  EXPECT_EQ(OnlyMessage(), kAborted);
  testbed::PumpUntil([this] { return !window->isVisible(); }, 2000);
  EXPECT_FALSE(window->isVisible());
  EXPECT_FALSE(window->GbOpen());
  EXPECT_TRUE(FolderFiles().empty());
}
