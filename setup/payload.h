#pragma once
// The installer's form data: the file components it carries, one stream made
// at build time by the packer (qel-payload-pack) and linked into the program.
// Each component has its Name, DisplayLabel, Extension, Compress flag and
// "FileData" (the bytes TFileSource::WriteFileData writes).
//
// Build side (CMake, setup/packer/CMakeLists.txt), called in the folder
// that creates <target>:
//
//   qel_embed_payload(<target> [DEPENDS <targets or files>...]
//       COMPONENT <name> <display-label> <extension> COMPRESSED|STORED <file>
//       [COMPONENT ...])
//
// packs the files when the build runs (a missing or short file fails the
// build) and links the stream into <target>, where EmbeddedPayload() returns
// it. The stream sits in an allocated ELF section of its own (".qelpayload"),
// so stripping the program keeps it.
//
// Run side:
//
//   TPayloadForm form(EmbeddedPayload());          // checks the whole stream
//   form.OpenFileData("zipdll");                   // the component's FileData
//   form.ReadComponent(fs_zipdll);                 // into a temporary file
//
// or, lazily, PayloadOpener(EmbeddedPayload()) as TEmbeddedInstallSource's opener.
//
// Stream layout (integers little-endian):
//   8 bytes   magic "QMFORM01"
//   UInt32    number of components (at most kMaxPayloadComponents)
//   each component:
//     Name, DisplayLabel, Extension: each a UInt8 length and that many UTF-8 bytes
//     UInt8   Compress (0 or 1)
//     UInt32  CRC-32 of the FileData bytes
//     FileData as a binary property: 0x0A, UInt32 count, the bytes
//   nothing after the last component.

#include "setup/filesource.h"

#include <QByteArray>
#include <QIODevice>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>

namespace qel {

class EPayload : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

inline constexpr int kMaxPayloadComponents = 64;

struct TPayloadComponent {
  QString Name;
  QString DisplayLabel;
  QString Extension;
  bool Compress = false;
  QByteArray FileData;  // refers into the form's bytes, not a copy
};

class TPayloadForm {
public:
  // Reads and checks the whole stream: lengths, CRCs, unique names and
  // labels. Throws EPayload ("Wrong file type" for a bad magic) when it is
  // damaged. The form keeps (shares) data; FileData refers into it.
  explicit TPayloadForm(const QByteArray &data);

  const QList<TPayloadComponent> &Components() const { return components_; }
  // The component with this display label; null when there is none.
  const TPayloadComponent *Find(const QString &displayLabel) const;
  // A read-only device over that component's FileData; null when there is none.
  std::unique_ptr<QIODevice> OpenFileData(const QString &displayLabel) const;
  // What reading the form does for one component: the entry with the
  // component's Name gives its DisplayLabel, Extension and Compress, and its
  // FileData is written back into a fresh temporary file (ReadFileData).
  // Throws EPayload when the form has no such component, EFileSource when
  // its data is damaged (no file is left behind).
  void ReadComponent(TFileSource &component) const;

  // The stream for these components, each stored with WriteFileData (so
  // each must have Store set and an existing FileName). Throws EFileSource
  // when a file is missing or short, EPayload when a name does not fit.
  static QByteArray Write(const QList<const TFileSource *> &components);

private:
  QByteArray data_;
  QList<TPayloadComponent> components_;
};

// A form read on first use: the stream is checked once, and a damaged one
// fails that use and every later one with the same reason (EPayload).
class TLazyPayloadForm {
public:
  explicit TLazyPayloadForm(QByteArray data) : data_(std::move(data)) {}
  const TPayloadForm &Form();

private:
  QByteArray data_;
  std::optional<TPayloadForm> form_;
  std::string error_;
};

// The stream linked into this program by qel_embed_payload (the program's
// own memory, not copied); empty when none is.
QByteArray EmbeddedPayload();

// For the source qel_embed_payload generates; not called by hand.
bool RegisterEmbeddedPayload(const char *begin, const char *end);

// An opener for TEmbeddedInstallSource: the stream in data is checked on
// first use (a damaged one throws EPayload then, and on every later call),
// and each call opens the FileData of the component with that display
// label (null when there is none).
std::function<std::unique_ptr<QIODevice>(const QString &displayLabel)> PayloadOpener(const QByteArray &data);

} // namespace qel
