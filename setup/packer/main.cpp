// qel-payload-pack: packs files into the installer's form data at build time.
//
//   qel-payload-pack <output> COMPONENT <name> <display-label> <extension> COMPRESSED|STORED <file> ...
//
// Each file is stored through its component's WriteFileData. Any error (a
// missing or short file, a bad argument) ends with a message and exit code 1
// and leaves the output as it was, so the build fails rather than packing a
// damaged payload.

#include "setup/payload.h"

#include <QSaveFile>
#include <QString>

#include <cstdio>
#include <exception>
#include <memory>
#include <vector>

namespace {

int Fail(const QString &message) {
  std::fprintf(stderr, "qel-payload-pack: %s\n", message.toLocal8Bit().constData());
  return 1;
}

} // namespace

int main(int argc, char **argv) {
  QStringList args;
  for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
  if (args.size() < 2 || (args.size() - 1) % 6 != 0)
    return Fail("usage: qel-payload-pack <output> COMPONENT <name> <display-label> <extension> "
                "COMPRESSED|STORED <file> ...");
  try {
    std::vector<std::unique_ptr<qel::TFileSource>> owned;
    QList<const qel::TFileSource *> components;
    for (qsizetype i = 1; i < args.size(); i += 6) {
      if (args[i] != "COMPONENT") return Fail("expected COMPONENT, found \"" + args[i] + "\"");
      const QString mode = args[i + 4];
      if (mode != "COMPRESSED" && mode != "STORED")
        return Fail("expected COMPRESSED or STORED, found \"" + mode + "\"");
      auto fs = std::make_unique<qel::TFileSource>(args[i + 1]);
      fs->SetFileName(args[i + 5]);
      fs->DisplayLabel = args[i + 2];
      fs->Extension = args[i + 3];
      if (mode == "COMPRESSED") fs->SetCompress(true);
      else fs->SetStore(true);
      components << fs.get();
      owned.push_back(std::move(fs));
    }
    const QByteArray form = qel::TPayloadForm::Write(components);
    // The form is checked as the installer will read it before it is kept.
    (void)qel::TPayloadForm(form);
    QSaveFile out(args[0]);
    if (!out.open(QIODevice::WriteOnly) || out.write(form) != form.size() || !out.commit())
      return Fail("cannot write " + args[0] + ": " + out.errorString());
  } catch (const std::exception &e) {
    return Fail(QString::fromUtf8(e.what()));
  }
  return 0;
}
