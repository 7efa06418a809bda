#include "app/filecommands.h"
#include "app/mainstate.h"
#include "cards/bodyfile.h"
#include "platform/instances.h"

#include "tests/support/scriptedui.h"
#include "tests/support/testenv.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace qel;

namespace {

struct StandInWindow : MainWindowHooks {
  QString caption;
  int restores = 0;
  QString windowCaption() const override { return caption; }
  void setWindowCaption(const QString &c) override { caption = c; }
  void setTrayHint(const QString &) override {}
  void restoreAndBringForward() override { ++restores; }
};

QString makeFile(const QString &path) {
  QFile f(path);
  f.open(QIODevice::WriteOnly);
  return path;
}

// One running test host; its output lines are collected as they come.
class Host {
public:
  explicit Host(const QStringList &args) {
    process_.setProgram(QStringLiteral(QEL_INSTANCE_HOST));
    process_.setArguments(args);
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start();
  }
  ~Host() {
    if (process_.state() != QProcess::NotRunning) {
      process_.kill();
      process_.waitForFinished(5000);
    }
  }
  // Waits for a line starting with `prefix`; returns it, or an empty string after the timeout.
  QString waitFor(const QString &prefix, int timeoutMs = 10000) {
    QElapsedTimer timer;
    timer.start();
    for (;;) {
      for (qsizetype i = 0; i < lines_.size(); ++i)
        if (lines_[i].startsWith(prefix)) return lines_.takeAt(i);
      if (timer.elapsed() > timeoutMs) return QString();
      if (process_.canReadLine() || process_.waitForReadyRead(100))
        while (process_.canReadLine()) lines_ << QString::fromUtf8(process_.readLine()).trimmed();
      else if (process_.state() == QProcess::NotRunning)
        return QString();
    }
  }
  bool waitForExit() { return process_.waitForFinished(10000) && process_.exitCode() == 0; }
  qint64 pid() const { return process_.processId(); }
  void kill() {
    ::kill(pid_t(process_.processId()), SIGKILL);
    process_.waitForFinished(5000);
  }

private:
  QProcess process_;
  QStringList lines_;
};

} // namespace

TEST(Instances, RecordsAreFoundByCanonicalPath) {
  const QString dir = qel::test::freshDir(QStringLiteral("inst-keys"));
  QDir().mkpath(dir + QStringLiteral("/a"));
  QDir().mkpath(dir + QStringLiteral("/b"));
  const QString file = makeFile(dir + QStringLiteral("/a/cards.QEL"));
  makeFile(dir + QStringLiteral("/b/cards.QEL"));
  ASSERT_EQ(::symlink(QFile::encodeName(dir + QStringLiteral("/a")).constData(),
                      QFile::encodeName(dir + QStringLiteral("/link")).constData()),
            0);

  RunningInstance instance;
  QString error;
  ASSERT_TRUE(instance.start(&error)) << error.toStdString();
  EXPECT_TRUE(instance.socketName().startsWith(InstanceFolderPath()));
  ASSERT_TRUE(instance.publish(CaptionForFile(file), InstanceFileKey(file)));

  for (const QString &spelling : {file, dir + QStringLiteral("/b/../a/cards.QEL"), dir + QStringLiteral("/link/cards.QEL")}) {
    FoundInstance found = FindInstanceWithFile(spelling);
    EXPECT_TRUE(found.found) << spelling.toStdString();
    EXPECT_TRUE(found.self);
    EXPECT_EQ(found.caption, QStringLiteral("cards - Qel Moravine"));
  }
  // Same name, same caption, another folder: a different file.
  EXPECT_FALSE(FindInstanceWithFile(dir + QStringLiteral("/b/cards.QEL")).found);
  EXPECT_FALSE(FindInstanceWithFile(dir + QStringLiteral("/a/cards.qel")).found);

  // Unsaved files compare by their NEW name.
  instance.publish(CaptionForFile(QStringLiteral("NEW1.QEL")), InstanceFileKey(QStringLiteral("NEW1.QEL")));
  EXPECT_TRUE(FindInstanceWithFile(QStringLiteral("NEW1.QEL")).found);
  EXPECT_FALSE(FindInstanceWithFile(QStringLiteral("NEW.QEL")).found);
  EXPECT_FALSE(FindInstanceWithFile(file).found);
}

TEST(Instances, StaleAndDamagedRecordsAreIgnored) {
  const QString folder = InstanceFolderPath();
  ASSERT_FALSE(folder.isEmpty());
  auto write = [&](const QString &name, const QByteArray &data) {
    QFile f(folder + name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
  };
  const QByteArray record = R"({"pid":1,"caption":"x - Qel Moravine","file":"/x/x.QEL","socket":"/nowhere"})";
  write(QStringLiteral("dead.lock"), {});  // nobody holds its lock
  write(QStringLiteral("dead.rec"), record);
  write(QStringLiteral("orphan.rec"), record);  // no lock file at all

  // A live lock with a damaged record: ignored, kept (its owner may rewrite it).
  int fd = ::open(QFile::encodeName(folder + QStringLiteral("held.lock")).constData(), O_RDWR | O_CREAT, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  write(QStringLiteral("held.rec"), "{not json");

  EXPECT_FALSE(FindInstanceByFileKey(QStringLiteral("/x/x.QEL")).has_value());
  EXPECT_FALSE(QFile::exists(folder + QStringLiteral("dead.rec")));
  EXPECT_FALSE(QFile::exists(folder + QStringLiteral("dead.lock")));
  EXPECT_FALSE(QFile::exists(folder + QStringLiteral("orphan.rec")));
  EXPECT_TRUE(QFile::exists(folder + QStringLiteral("held.rec")));
  ::close(fd);
  ListInstances();
  EXPECT_FALSE(QFile::exists(folder + QStringLiteral("held.rec"))) << "cleaned once its lock is free";
}

TEST(Instances, OwnFileIsReportedAndCancelled) {
  const QString file = makeFile(qel::test::freshDir(QStringLiteral("inst-own")) + QStringLiteral("/mine.QEL"));
  RunningInstance instance;
  ASSERT_TRUE(instance.start());
  StandInWindow window;
  CurrentFileName = file;
  UpdateCaption(window, &instance);

  qel::test::ScriptedUi ui;
  ui.answerButton(IDOK);
  EXPECT_EQ(CheckAlreadyOpened(file, false, &window), AlreadyOpened::Cancelled);
  ASSERT_EQ(ui.prompts().size(), 1u);
  EXPECT_EQ(ui.prompts()[0].text, file + QStringLiteral("\n\ris already opened"));
  EXPECT_EQ(ui.prompts()[0].flags, unsigned(MB_OK | MB_ICONINFORMATION));
  EXPECT_EQ(window.restores, 1);

  EXPECT_EQ(CheckAlreadyOpened(file + QStringLiteral(".other"), false, &window), AlreadyOpened::No);
  // The record names the body file in use, which a program starting later leaves alone.
  bool named = false;
  for (const InstanceRecord &r : ListInstances())
    if (r.self) named = r.tempItems == QStringList{QFileInfo(BodyFileName(file)).fileName()};
  EXPECT_TRUE(named);
  EXPECT_EQ(ui.prompts().size(), 1u);
  ResetMainState();
}

// A running program's body file is never taken for debris, whatever the
// state of its record (here damaged, so nobody can read which file it
// uses); once that program is gone, the next start removes it at once.
TEST(Instances, BodyFileOfARunningProgramIsKeptWhateverItsRecord) {
  const QString dir = qel::test::freshDir(QStringLiteral("inst-body"));
  const QString file = dir + QStringLiteral("/a.qel");
  const QString body = BodyFileName(file);
  {
    Host a({QStringLiteral("serve"), file});
    const QString ready = a.waitFor(QStringLiteral("ready "));
    ASSERT_FALSE(ready.isEmpty());
    ASSERT_TRUE(QFileInfo::exists(body));
    QFile record(InstanceFolderPath() + ready.mid(6) + QStringLiteral(".rec"));
    ASSERT_TRUE(record.open(QIODevice::WriteOnly | QIODevice::Truncate));
    record.write("{\"pid\": 1, \"capt");
    record.close();
    for (const InstanceRecord &r : ListInstances()) EXPECT_NE(r.id, ready.mid(6));

    CleanTemporaryFolder();
    EXPECT_TRUE(QFileInfo::exists(body));
  }  // killed
  CleanTemporaryFolder();
  EXPECT_FALSE(QFileInfo::exists(body));
}

TEST(Instances, TwoProgramsHandOver) {
  const QString dir = qel::test::freshDir(QStringLiteral("inst-procs"));
  const QString file = makeFile(dir + QStringLiteral("/shared.QEL"));
  Host first({QStringLiteral("serve"), file});
  ASSERT_FALSE(first.waitFor(QStringLiteral("ready")).isEmpty());

  FoundInstance found = FindInstanceWithFile(dir + QStringLiteral("/./shared.QEL"));
  ASSERT_TRUE(found.found);
  EXPECT_FALSE(found.self);
  EXPECT_EQ(found.pid, first.pid());
  EXPECT_EQ(found.caption, QStringLiteral("shared - Qel Moravine"));

  // A program starting with the same file tells the user, hands over and ends.
  Host second({QStringLiteral("open"), file, QStringLiteral("starting")});
  EXPECT_EQ(second.waitFor(QStringLiteral("message")), QStringLiteral("message ") + file + QStringLiteral("\\n\\ris already opened"));
  EXPECT_EQ(second.waitFor(QStringLiteral("result")), QStringLiteral("result end"));
  EXPECT_TRUE(second.waitForExit());
  EXPECT_EQ(first.waitFor(QStringLiteral("restored")), QStringLiteral("restored"));

  // A running program only cancels its command; another file opens.
  Host third({QStringLiteral("open"), file, QStringLiteral("running")});
  EXPECT_EQ(third.waitFor(QStringLiteral("result")), QStringLiteral("result cancelled"));
  EXPECT_EQ(first.waitFor(QStringLiteral("restored")), QStringLiteral("restored"));
  Host fourth({QStringLiteral("open"), makeFile(dir + QStringLiteral("/other.QEL")), QStringLiteral("starting")});
  EXPECT_EQ(fourth.waitFor(QStringLiteral("result")), QStringLiteral("result open"));

  // A program that is killed leaves a record nobody holds: it is not found any more.
  first.kill();
  EXPECT_FALSE(FindInstanceWithFile(file).found);
  const QStringList left = QDir(InstanceFolderPath()).entryList(QDir::Files | QDir::System);
  for (const QString &name : left) EXPECT_FALSE(name.startsWith(QString::number(found.pid) + QLatin1Char('-'))) << name.toStdString();
}
