#pragma once
// The settings store: keys with typed values, one text file per hive in the
// form of a registry export. HKEY_CURRENT_USER lives in
// $XDG_CONFIG_HOME/qel-moravine/hkcu.reg, HKEY_LOCAL_MACHINE in
// $XDG_DATA_HOME/qel-moravine/hklm.reg (the environment is read at each use).
//
// A TRegistry object collects its sets and deletes and writes them when its
// key is closed (also when another key is opened) or flushed: under a lock it
// re-reads the file, applies only its own changes, writes a temporary file,
// syncs it and renames it over the store. So two objects, or two running
// programs, never revert each other's values and a crash never leaves a
// truncated store.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <stdexcept>

namespace qel {

// Root keys. HKEY_CLASSES_ROOT is not stored: keys under it never open.
enum HKEY : unsigned {
  HKEY_CLASSES_ROOT = 0x80000000u,
  HKEY_CURRENT_USER = 0x80000001u,
  HKEY_LOCAL_MACHINE = 0x80000002u,
};

// Access rights of an open key (only the write bits are enforced here: the
// store file's own permissions decide at write time).
enum RegAccess : unsigned {
  KEY_QUERY_VALUE = 0x0001,
  KEY_SET_VALUE = 0x0002,
  KEY_CREATE_SUB_KEY = 0x0004,
  KEY_ENUMERATE_SUB_KEYS = 0x0008,
  KEY_NOTIFY = 0x0010,
  KEY_READ = 0x20019,
  KEY_WRITE = 0x20006,
  KEY_ALL_ACCESS = 0xF003F,
};

enum class TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

// The registry error: failed writes, reads of a missing or mistyped value,
// a store that cannot be saved.
class ERegistryException : public std::runtime_error {
public:
  explicit ERegistryException(const QString &message);
  QString message() const { return QString::fromUtf8(what()); }
};

// One stored value.
struct RegValue {
  QString name;           // "" = the key's default value
  TRegDataType type = TRegDataType::rdString;
  QString text;           // rdString, rdExpandString
  quint32 number = 0;     // rdInteger (the bit pattern)
  QByteArray bytes;       // rdBinary, rdUnknown
  int rawType = 3;        // the export's type code for rdUnknown ("hex(N)")
  bool operator==(const RegValue &) const = default;
};

// One hive as read from (and written to) its file. Public for the store's
// tests and fuzz target; the program uses TRegistry.
class RegHiveData {
public:
  struct Key {
    QString path;                 // below the hive, original case; "" = the hive's root
    QList<RegValue> values;       // in file order
    QList<QByteArray> rawLines;   // lines of this section that could not be parsed (continued lines joined by '\n')
    QHash<QString, qsizetype> names_;  // folded value name -> index in values
  };

  // Parses the file's bytes: lines that cannot be parsed are kept aside and
  // written back by serialize(). Never fails; `skipped` counts kept lines.
  static RegHiveData parse(const QByteArray &bytes, const QString &hiveName, int *skipped = nullptr);
  QByteArray serialize() const;

  QString hiveName;               // "HKEY_CURRENT_USER"
  QList<Key> keys;                // in file order
  QList<QByteArray> orphanLines;  // unparsed lines outside any good section, as rawLines

  const Key *find(const QString &path) const;
  Key *find(const QString &path);
  // Creates the key and its ancestors when missing.
  Key &ensure(const QString &path);
  // True for a stored key and for one named only as the ancestor of a stored key.
  bool exists(const QString &path) const;
  bool removeValue(const QString &path, const QString &name);
  // Removes the key with all its sub-keys; false when there was none.
  bool removeKey(const QString &path);
  void setValue(const QString &path, const RegValue &value);
  // Direct sub-key names of `path`, in file order, each once.
  QStringList subKeyNames(const QString &path) const;

private:
  qsizetype insertKey(const QString &path);  // without ancestors
  QHash<QString, qsizetype> index_;  // folded path -> index in keys
};

// File of a stored hive (empty for HKEY_CLASSES_ROOT), from the environment now.
QString RegistryHiveFile(HKEY root);
// How long a write waits for another program's lock on the store before it
// fails (10 s; tests shorten it).
void SetRegistryLockWait(int milliseconds);
// Splits a key path into its parts; false when a part is empty or holds a
// control character.
bool SplitKeyPath(const QString &path, QStringList &parts);

class TRegistry {
public:
  TRegistry();
  explicit TRegistry(unsigned access);
  virtual ~TRegistry();  // closes the key; a failed write is reported through the prompt seam
  TRegistry(const TRegistry &) = delete;
  TRegistry &operator=(const TRegistry &) = delete;

  HKEY RootKey() const { return root_; }
  void SetRootKey(HKEY root);  // closes the current key first
  unsigned Access() const { return access_; }
  void SetAccess(unsigned access) { access_ = access; }
  // Path of the open key below the root; empty when none is open (or the root itself).
  QString CurrentPath() const { return currentPath_; }
  bool HasCurrentKey() const { return open_; }

  // A key beginning with "\" is taken from the root, else from the open key
  // (the root when none is open). Success makes it the open key, closing the
  // previous one. Failure closes the previous key too, so later writes fail
  // instead of landing in a key the caller did not mean.
  bool OpenKey(const QString &key, bool canCreate);
  bool OpenKeyReadOnly(const QString &key);
  bool KeyExists(const QString &key);
  bool CreateKey(const QString &key);
  // Deletes the key with its values and all its sub-keys (written at once
  // when no key is open, else with the open key); false when it did not exist
  // or cannot be named (the root, a malformed path).
  bool DeleteKey(const QString &key);
  // Writes this object's changes and closes the key. Throws
  // ERegistryException when the store cannot be written; the changes are
  // dropped then, so the error is reported once.
  void CloseKey();
  // Writes this object's changes, keeping the key open. Throws as CloseKey.
  void Flush();

  bool ValueExists(const QString &name) const;
  TRegDataType GetDataType(const QString &name) const;  // rdUnknown when missing
  int GetDataSize(const QString &name) const;           // bytes as stored, -1 when missing
  QStringList GetValueNames() const;
  QStringList GetKeyNames() const;
  bool HasSubKeys() const;

  // The framework's readers: ReadString gives "" for a missing value; the
  // others raise ERegistryException for a missing value or a mistyped one.
  QString ReadString(const QString &name) const;
  int ReadInteger(const QString &name) const;
  bool ReadBool(const QString &name) const;
  double ReadFloat(const QString &name) const;  // exactly 8 bytes of binary
  QByteArray ReadBinaryData(const QString &name) const;
  // The stored value as is; false when missing.
  bool ReadValue(const QString &name, RegValue &value) const;

  // Writers raise ERegistryException when no key is open or the key was
  // opened without write access.
  void WriteString(const QString &name, const QString &value);
  void WriteExpandString(const QString &name, const QString &value);
  void WriteInteger(const QString &name, int value);
  void WriteBool(const QString &name, bool value);
  void WriteFloat(const QString &name, double value);
  void WriteBinaryData(const QString &name, const QByteArray &value);
  bool DeleteValue(const QString &name);

protected:
  // Path below the root that `key` names, from the open key when relative;
  // false when the path is malformed.
  bool resolve(const QString &key, QString &path) const;
  // Values of a key at `path` as this object sees them (store + own changes).
  const RegHiveData::Key *keyAt(const QString &path) const;
  const RegValue *valueAt(const QString &path, const QString &name) const;
  void setValueAt(const QString &path, const RegValue &value);
  bool deleteValueAt(const QString &path, const QString &name);
  void createKeyAt(const QString &path);
  void requireWritable(const QString &valueName) const;

private:
  struct Change {
    enum Op { CreateKey, SetValue, DeleteValue, DeleteKey } op;
    QString path;
    RegValue value;  // SetValue: the value; DeleteValue: its name
  };
  void loadSnapshot();
  void writeChanges();
  void writeChangesLocked(const QList<Change> &changes);

  HKEY root_ = HKEY_CURRENT_USER;
  unsigned access_ = KEY_ALL_ACCESS;
  bool open_ = false;
  unsigned openAccess_ = 0;
  QString currentPath_;
  std::unique_ptr<RegHiveData> snapshot_;  // the store as this object sees it
  QList<Change> changes_;                  // this object's changes, not yet written
};

// The framework's "registry ini file" view: sections are sub-keys of the
// open key (an empty section is the key itself), idents are value names,
// integers and booleans are stored as decimal strings ("1"/"0"). Writes are
// kept until UpdateFile, CloseKey or destruction.
class TRegIniFile : public TRegistry {
public:
  TRegIniFile() = default;
  // Opens (creating) `fileName` below HKEY_CURRENT_USER, or below `root`.
  explicit TRegIniFile(const QString &fileName, HKEY root = HKEY_CURRENT_USER);

  QString ReadString(const QString &section, const QString &ident, const QString &defaultValue) const;
  int ReadInteger(const QString &section, const QString &ident, int defaultValue) const;
  bool ReadBool(const QString &section, const QString &ident, bool defaultValue) const;
  void WriteString(const QString &section, const QString &ident, const QString &value);
  void WriteInteger(const QString &section, const QString &ident, int value);
  void WriteBool(const QString &section, const QString &ident, bool value);
  bool ValueExists(const QString &section, const QString &ident) const;
  void DeleteKey(const QString &section, const QString &ident);
  using TRegistry::DeleteKey;
  QStringList ReadSection(const QString &section) const;  // value names
  QStringList ReadSections() const;                      // sub-key names
  void UpdateFile() { Flush(); }

  using TRegistry::ReadBool;
  using TRegistry::ReadInteger;
  using TRegistry::ReadString;
  using TRegistry::ValueExists;
  using TRegistry::WriteBool;
  using TRegistry::WriteInteger;
  using TRegistry::WriteString;

private:
  QString sectionPath(const QString &section) const;
};

} // namespace qel
