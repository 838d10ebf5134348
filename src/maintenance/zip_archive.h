// ZIP archives of the backups (ZIP_DBF, UNZIP_PM), written and read with minizip through an
// Env, so that every byte goes through the same seam as the tables (a test can fail the
// Nth write or keep the archive in memory).
//
// Writing (ZipWriter):
//   - entries are deflated at level 8 and named by their path relative to the data
//     directory with forward slashes ("24/03/as.dbf"), each with its file's date;
//   - with a password the entries get the traditional PKWARE encryption, whose header
//     needs the entry's CRC before its data: an encrypted entry is read twice (once for
//     the CRC, once to compress it), so the reader must give the same bytes both times;
//   - the archive is built under "<name>.tmp" in its own folder, synced, and renamed over
//     the name only by Finish: an existing archive of that name is replaced whole or left
//     as it was, never half-written. A writer destroyed before Finish removes its file.
//
// Reading (ZipReader): the entries with their sizes and whether they are encrypted; one
// entry read in pieces, its length and CRC checked at the end (a damaged entry or a wrong
// password gives Corruption).
//
// Unpacking (UnpackBeside, UnpackedFiles): every entry of an archive is written beside its
// place under the root ("<path>.odtw") and checked; only when the whole archive has been
// read without fault can the files be put in their places (Commit renames each one over
// the old file), so a damaged archive restores nothing, and a program killed before the
// renames leaves every old file as it was. A name that would leave the root (absolute, a
// drive, "..") refuses the whole archive before anything is written.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "xbase/env.h"

namespace hurt::maintenance {

// The suffixes of the files being written: an archive (beside its name) and an unpacked
// file (beside the file it replaces). Left behind only by a program that was killed.
inline constexpr std::string_view kArchiveTempSuffix = ".tmp";
inline constexpr std::string_view kUnpackTempSuffix = ".odtw";

// The date and time an entry carries (local time, full year).
struct EntryTime {
  int year = 1980, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

// Reads up to n bytes at offset into out; *got receives how many (fewer only at the end).
using ReadBytesAt = std::function<Status(uint64_t offset, size_t n, char* out, size_t* got)>;

class ZipWriter {
 public:
  // Starts the archive `path` (its folder must exist). An empty password: no encryption.
  static Result<std::unique_ptr<ZipWriter>> Create(xbase::Env& env, const std::string& path, std::string password);
  ~ZipWriter();
  ZipWriter(const ZipWriter&) = delete;
  ZipWriter& operator=(const ZipWriter&) = delete;

  // Adds an entry of `size` bytes read from offset 0 by `read`. A source that gives fewer
  // bytes than `size` is an error (the file was cut while it was read).
  Status Add(std::string_view entry, uint64_t size, const ReadBytesAt& read, const EntryTime& time);
  // Closes the archive, syncs it and renames it over `path`.
  Status Finish();

  const std::string& path() const { return path_; }

 private:
  struct Io;
  ZipWriter(xbase::Env& env, std::string path, std::string password);
  void Abandon();
  Status AddPlain(const std::string& name, uint64_t size, const ReadBytesAt& read, const EntryTime& time);
  Status AddEncrypted(const std::string& name, uint64_t size, const ReadBytesAt& read, const EntryTime& time);
  // The first failure the file callbacks met, else an IoError saying `what`.
  Status Failed(const std::string& what) const;

  xbase::Env& env_;
  std::string path_;
  std::string temp_path_;
  std::string password_;
  std::unique_ptr<Io> io_;
  void* zip_ = nullptr;  // minizip's zipFile
  bool failed_ = false;
};

struct ZipEntry {
  std::string name;  // as stored in the archive
  uint64_t size = 0;  // unpacked
  bool encrypted = false;
  bool directory = false;
};

class ZipReader {
 public:
  // NotFound when the file is missing, Corruption when it is no readable ZIP archive.
  static Result<std::unique_ptr<ZipReader>> Open(xbase::Env& env, const std::string& path);
  ~ZipReader();
  ZipReader(const ZipReader&) = delete;
  ZipReader& operator=(const ZipReader&) = delete;

  const std::vector<ZipEntry>& entries() const { return entries_; }
  bool AnyEncrypted() const;
  // Entry `index` whole, in pieces through `sink`; Corruption when its data, length or CRC
  // are wrong (for an encrypted entry also: a wrong password).
  Status Read(size_t index, const std::string& password, const std::function<Status(std::string_view)>& sink);

 private:
  struct Io;
  struct Position;
  ZipReader();
  Status ReadPlain(size_t index, const std::function<Status(std::string_view)>& sink);
  Status ReadEncrypted(size_t index, const std::string& password, const std::function<Status(std::string_view)>& sink);

  std::unique_ptr<Io> io_;
  void* unz_ = nullptr;  // minizip's unzFile
  std::vector<ZipEntry> entries_;
  std::vector<Position> positions_;
};

// Where an entry goes below the root: "\" made "/", lower case (as every name on disk),
// "." parts dropped. nullopt for an empty name or one that would leave the root: absolute,
// with a drive ("c:"), or with a ".." part.
std::optional<std::string> SafeEntryPath(std::string_view name);

// The files of one archive written beside their places and not yet in them. Destroying
// it (or Discard) removes what Commit has not put in place.
class UnpackedFiles {
 public:
  explicit UnpackedFiles(xbase::Env& env) : env_(&env) {}
  ~UnpackedFiles();
  UnpackedFiles(UnpackedFiles&& other) noexcept;
  UnpackedFiles& operator=(UnpackedFiles&& other) noexcept;
  UnpackedFiles(const UnpackedFiles&) = delete;
  UnpackedFiles& operator=(const UnpackedFiles&) = delete;

  // The entries' paths below the root, in archive order.
  const std::vector<std::string>& names() const { return names_; }
  // Renames every file into its place. A rename that fails stops it (the files already
  // renamed stay new, the rest are removed) and gives the error.
  Status Commit();
  void Discard();
  // What Commit is to do: each file's temporary name and its place.
  std::vector<std::pair<std::string, std::string>> Moves() const;

 private:
  friend Result<UnpackedFiles> UnpackBeside(xbase::Env&, const std::string&, const std::string&, const std::string&,
                                            const std::function<void(const std::string&)>&);
  struct Pending {
    std::string temporary;
    std::string final_path;
  };
  xbase::Env* env_;
  std::vector<std::string> names_;
  std::vector<Pending> files_;
};

// Unpacks `archive` below `root` beside the files' places (see above), creating the
// folders its entries need; `progress` is told each entry's path before it is written.
// Files an earlier unpack left beside their places (a program killed before the renames)
// are removed from the folders the archive writes to.
// NotFound: no archive; Invalid: an entry's name would leave the root (named in the
// message); Unsupported: an encrypted archive and no password; Corruption: a damaged
// archive or a wrong password; IoError: a file could not be written.
Result<UnpackedFiles> UnpackBeside(xbase::Env& env, const std::string& archive, const std::string& root,
                                   const std::string& password,
                                   const std::function<void(const std::string&)>& progress = {});

}  // namespace hurt::maintenance
