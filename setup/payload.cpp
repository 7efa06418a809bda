#include "setup/payload.h"

#include "zip/format/zipstructs.h"

#include <QBuffer>
#include <QSet>
#include <QtEndian>

#include <optional>

namespace qel {

namespace {

const QByteArray kMagic("QMFORM01");

quint32 Crc32(QByteArrayView bytes) {
  return zipfmt::crc32Of(bytes.data(), std::size_t(bytes.size()));
}

// Reads the stream front to back; every read is checked against what is left.
class Reader {
public:
  explicit Reader(QByteArrayView data) : data_(data) {}

  QByteArrayView take(qsizetype n, const char *what) {
    if (n < 0 || data_.size() - pos_ < n) throw EPayload(std::string("Damaged payload: it ends inside ") + what);
    const QByteArrayView r = data_.sliced(pos_, n);
    pos_ += n;
    return r;
  }
  quint8 u8(const char *what) { return quint8(take(1, what)[0]); }
  quint32 u32(const char *what) { return qFromLittleEndian<quint32>(take(4, what).data()); }
  QString text(const char *what) {
    const QByteArrayView bytes = take(u8(what), what);
    const QString s = QString::fromUtf8(bytes);
    if (s.toUtf8() != bytes) throw EPayload(std::string("Damaged payload: ") + what + " is not UTF-8");
    return s;
  }
  bool atEnd() const { return pos_ == data_.size(); }

private:
  QByteArrayView data_;
  qsizetype pos_ = 0;
};

void AppendText(QByteArray &out, const QString &s, const QString &component) {
  const QByteArray bytes = s.toUtf8();
  if (bytes.size() > 255) throw EPayload(("Payload component " + component + ": a name is too long").toStdString());
  out.append(char(bytes.size()));
  out.append(bytes);
}

} // namespace

TPayloadForm::TPayloadForm(const QByteArray &bytes) : data_(bytes) {
  const QByteArrayView data(data_);
  Reader r(data);
  if (data.size() < kMagic.size() || data.first(kMagic.size()) != kMagic) throw EPayload("Wrong file type");
  r.take(kMagic.size(), "the header");
  const quint32 count = r.u32("the header");
  if (count > quint32(kMaxPayloadComponents)) throw EPayload("Damaged payload: too many components");
  QSet<QString> names, labels;
  for (quint32 i = 0; i < count; ++i) {
    TPayloadComponent c;
    c.Name = r.text("a component name");
    c.DisplayLabel = r.text("a display label");
    c.Extension = r.text("an extension");
    const quint8 compress = r.u8("a component");
    if (compress > 1) throw EPayload("Damaged payload: bad compression flag");
    c.Compress = compress == 1;
    const quint32 crc = r.u32("a component");
    if (r.u8("a component") != 0x0A) throw EPayload("Damaged payload: FileData is not binary data");
    const QByteArrayView bytes = r.take(r.u32("a component"), "FileData");
    if (Crc32(bytes) != crc) throw EPayload(("Damaged payload: the data of " + c.Name + " does not match its checksum").toStdString());
    if (c.Name.isEmpty() || names.contains(c.Name) || labels.contains(c.DisplayLabel))
      throw EPayload(("Damaged payload: component \"" + c.Name + "\" is unnamed or named twice").toStdString());
    names.insert(c.Name);
    labels.insert(c.DisplayLabel);
    c.FileData = QByteArray::fromRawData(bytes.data(), bytes.size());
    components_.append(std::move(c));
  }
  if (!r.atEnd()) throw EPayload("Damaged payload: data after the last component");
}

const TPayloadComponent *TPayloadForm::Find(const QString &displayLabel) const {
  for (const TPayloadComponent &c : components_)
    if (c.DisplayLabel == displayLabel) return &c;
  return nullptr;
}

std::unique_ptr<QIODevice> TPayloadForm::OpenFileData(const QString &displayLabel) const {
  const TPayloadComponent *c = Find(displayLabel);
  if (!c) return nullptr;
  auto buffer = std::make_unique<QBuffer>();
  buffer->setData(c->FileData);
  buffer->open(QIODevice::ReadOnly);
  return buffer;
}

void TPayloadForm::ReadComponent(TFileSource &component) const {
  for (const TPayloadComponent &c : components_) {
    if (c.Name != component.Name) continue;
    component.DisplayLabel = c.DisplayLabel;
    component.Extension = c.Extension;
    component.SetCompress(c.Compress);
    component.SetStore(true);
    QBuffer data;
    data.setData(c.FileData);
    data.open(QIODevice::ReadOnly);
    component.ReadFileData(data);
    // Every byte of FileData belongs to the file: anything left over means
    // the sizes inside do not agree with the property's.
    if (!data.atEnd()) {
      component.SetFileName(QString());
      throw EFileSource("Damaged payload: the data of " + c.Name.toStdString() + " is longer than its file");
    }
    return;
  }
  throw EPayload(("The payload has no component " + component.Name).toStdString());
}

QByteArray TPayloadForm::Write(const QList<const TFileSource *> &components) {
  if (components.size() > kMaxPayloadComponents) throw EPayload("Too many payload components");
  QByteArray out = kMagic;
  char n[4];
  qToLittleEndian(quint32(components.size()), n);
  out.append(n, 4);
  QSet<QString> names, labels;
  for (const TFileSource *fs : components) {
    if (fs->Name.isEmpty() || names.contains(fs->Name) || labels.contains(fs->DisplayLabel))
      throw EPayload(("Payload component \"" + fs->Name + "\" is unnamed or named twice").toStdString());
    if (!fs->Store()) throw EPayload(("Payload component " + fs->Name + " does not store its file").toStdString());
    names.insert(fs->Name);
    labels.insert(fs->DisplayLabel);
    AppendText(out, fs->Name, fs->Name);
    AppendText(out, fs->DisplayLabel, fs->Name);
    AppendText(out, fs->Extension, fs->Name);
    out.append(char(fs->Compress() ? 1 : 0));
    QBuffer data;
    data.open(QIODevice::ReadWrite);
    fs->WriteFileData(data);
    if (data.data().size() > qsizetype(0xFFFFFFFFu)) throw EPayload(("Payload component " + fs->Name + " is too large").toStdString());
    qToLittleEndian(Crc32(data.data()), n);
    out.append(n, 4);
    out.append(TFileSource::EncodeBinaryProperty(data.data()));
  }
  return out;
}

namespace {
QByteArrayView &EmbeddedBytes() {
  static QByteArrayView bytes;
  return bytes;
}
} // namespace

QByteArray EmbeddedPayload() {
  const QByteArrayView bytes = EmbeddedBytes();
  return QByteArray::fromRawData(bytes.data(), bytes.size());
}

bool RegisterEmbeddedPayload(const char *begin, const char *end) {
  EmbeddedBytes() = QByteArrayView(begin, end - begin);
  return true;
}

const TPayloadForm &TLazyPayloadForm::Form() {
  if (!error_.empty()) throw EPayload(error_);
  if (!form_) {
    try {
      form_.emplace(data_);
    } catch (const EPayload &e) {
      error_ = e.what();
      throw;
    }
  }
  return *form_;
}

std::function<std::unique_ptr<QIODevice>(const QString &)> PayloadOpener(const QByteArray &data) {
  auto lazy = std::make_shared<TLazyPayloadForm>(data);
  return [lazy](const QString &displayLabel) { return lazy->Form().OpenFileData(displayLabel); };
}

} // namespace qel
