#include "maintenance/zip_archive.h"

#include <algorithm>
#include <random>
#include <set>

#include <minizip/unzip.h>
#include <minizip/zip.h>
#include <zlib.h>

#include "base/text.h"

#if defined(__SANITIZE_ADDRESS__)
// minizip 1.1 keeps the central-directory record of an entry it has begun; when writing
// the entry's local header fails (a full disk) it returns the error without freeing that
// record, and nothing public frees it later. A few hundred bytes per failed backup, in the
// library: not reported as a leak of this program.
extern "C" const char* __lsan_default_suppressions() { return "leak:zipOpenNewFileInZip4_64\n"; }
#endif

namespace hurt::maintenance {

namespace {

constexpr int kCompressionLevel = 8;
constexpr int kMemLevel = 8;  // deflate's default
constexpr size_t kChunk = 64 * 1024;
// An entry of this size or more needs the ZIP64 extension in its local header.
constexpr uint64_t kZip64Size = 0xFFFFFFFFull;

// One file minizip opened through the Env.
struct Stream {
  std::unique_ptr<xbase::File> file;
  uint64_t pos = 0;
  bool writing = false;
  bool error = false;
};

// What the callbacks share: the Env and the first failure met, so that the caller can tell
// why minizip gave up.
struct EnvIo {
  xbase::Env* env = nullptr;
  Status first_error;
  zlib_filefunc64_def funcs{};

  void Note(const Status& s) {
    if (first_error.ok() && !s.ok()) first_error = s;
  }
};

EnvIo& IoOf(voidpf opaque) { return *static_cast<EnvIo*>(opaque); }
Stream& StreamOf(voidpf stream) { return *static_cast<Stream*>(stream); }

voidpf OpenFile(voidpf opaque, const void* filename, int mode) {
  EnvIo& io = IoOf(opaque);
  xbase::OpenOptions options;
  options.write = (mode & ZLIB_FILEFUNC_MODE_WRITE) != 0;
  options.create = (mode & ZLIB_FILEFUNC_MODE_CREATE) != 0;
  options.truncate = options.create;
  auto file = io.env->Open(static_cast<const char*>(filename), options);
  if (!file.ok()) {
    io.Note(file.status());
    return nullptr;
  }
  // Owned by minizip from here: CloseFile deletes it.
  return new Stream{std::move(*file), 0, options.write, false};
}

uLong ReadFile(voidpf opaque, voidpf stream, void* buf, uLong size) {
  Stream& s = StreamOf(stream);
  size_t done = 0;
  char* out = static_cast<char*>(buf);
  while (done < size) {
    size_t got = 0;
    Status st = s.file->ReadAt(s.pos, size - done, out + done, &got);
    if (!st.ok()) {
      IoOf(opaque).Note(st);
      s.error = true;
      break;
    }
    if (got == 0) break;
    done += got;
    s.pos += got;
  }
  return static_cast<uLong>(done);
}

uLong WriteFile(voidpf opaque, voidpf stream, const void* buf, uLong size) {
  Stream& s = StreamOf(stream);
  Status st = s.file->WriteAt(s.pos, std::string_view(static_cast<const char*>(buf), size));
  if (!st.ok()) {
    IoOf(opaque).Note(st);
    s.error = true;
    return 0;
  }
  s.pos += size;
  return size;
}

ZPOS64_T TellFile(voidpf /*opaque*/, voidpf stream) { return StreamOf(stream).pos; }

long SeekFile(voidpf opaque, voidpf stream, ZPOS64_T offset, int origin) {
  Stream& s = StreamOf(stream);
  switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET:
      s.pos = offset;
      return 0;
    case ZLIB_FILEFUNC_SEEK_CUR:
      s.pos += offset;
      return 0;
    case ZLIB_FILEFUNC_SEEK_END: {
      auto size = s.file->Size();
      if (!size.ok()) {
        IoOf(opaque).Note(size.status());
        return -1;
      }
      s.pos = *size + offset;
      return 0;
    }
    default:
      return -1;
  }
}

int CloseFile(voidpf opaque, voidpf stream) {
  std::unique_ptr<Stream> s(static_cast<Stream*>(stream));
  if (s->writing && !s->error) {
    Status synced = s->file->Sync();
    if (!synced.ok()) {
      IoOf(opaque).Note(synced);
      return -1;
    }
  }
  return s->error ? -1 : 0;
}

int TestError(voidpf /*opaque*/, voidpf stream) { return StreamOf(stream).error ? 1 : 0; }

void Install(EnvIo& io, xbase::Env& env) {
  io.env = &env;
  io.funcs.zopen64_file = OpenFile;
  io.funcs.zread_file = ReadFile;
  io.funcs.zwrite_file = WriteFile;
  io.funcs.ztell64_file = TellFile;
  io.funcs.zseek64_file = SeekFile;
  io.funcs.zclose_file = CloseFile;
  io.funcs.zerror_file = TestError;
  io.funcs.opaque = &io;
}

// Reads `size` bytes from offset 0 in chunks, handing each to `use`; IoError when the
// source ends early.
Status ReadWhole(const ReadBytesAt& read, uint64_t size, std::string_view entry,
                 const std::function<Status(const char*, size_t)>& use) {
  std::string buf(kChunk, '\0');
  uint64_t at = 0;
  while (at < size) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(kChunk, size - at));
    size_t got = 0;
    HURT_RETURN_IF_ERROR(read(at, want, buf.data(), &got));
    if (got == 0) return Status::IoError(std::string(entry) + ": the file ended while it was read");
    HURT_RETURN_IF_ERROR(use(buf.data(), got));
    at += got;
  }
  return Status::Ok();
}

// Traditional PKWARE encryption (the ZIP format's "ZipCrypto"): three 32-bit keys stirred
// by the password and then by every plain byte; each byte is xor-ed with a byte drawn from
// the third key. An entry's data begin with a 12-byte header whose last byte, once
// decrypted, is the high byte of the entry's CRC (of its time when the sizes follow the
// data), which tells a wrong password in 255 cases of 256.
// The library's own cipher is not used: the Debian build reads zlib's CRC table through
// pointers of the wrong width on 64-bit systems, so that no other program opens what it
// encrypts. minizip only lays out the archive; the entry's bytes are made here.
class PkwareCipher {
 public:
  explicit PkwareCipher(std::string_view password) {
    for (char c : password) Stir(static_cast<uint8_t>(c));
  }
  uint8_t Encrypt(uint8_t plain) {
    const uint8_t c = static_cast<uint8_t>(plain ^ KeyByte());
    Stir(plain);
    return c;
  }
  uint8_t Decrypt(uint8_t cipher) {
    const uint8_t p = static_cast<uint8_t>(cipher ^ KeyByte());
    Stir(p);
    return p;
  }
  void Encrypt(char* data, size_t n) {
    for (size_t i = 0; i < n; ++i) data[i] = static_cast<char>(Encrypt(static_cast<uint8_t>(data[i])));
  }
  void Decrypt(char* data, size_t n) {
    for (size_t i = 0; i < n; ++i) data[i] = static_cast<char>(Decrypt(static_cast<uint8_t>(data[i])));
  }

 private:
  uint8_t KeyByte() const {
    const uint32_t t = (k2_ | 2u) & 0xFFFFu;
    return static_cast<uint8_t>((t * (t ^ 1u)) >> 8);
  }
  uint32_t Crc(uint32_t crc, uint8_t b) const { return static_cast<uint32_t>(table_[(crc ^ b) & 0xFFu]) ^ (crc >> 8); }
  void Stir(uint8_t b) {
    k0_ = Crc(k0_, b);
    k1_ = (k1_ + (k0_ & 0xFFu)) * 134775813u + 1u;
    k2_ = Crc(k2_, static_cast<uint8_t>(k1_ >> 24));
  }

  const z_crc_t* table_ = get_crc_table();
  uint32_t k0_ = 0x12345678u;
  uint32_t k1_ = 0x23456789u;
  uint32_t k2_ = 0x34567890u;
};

constexpr size_t kCryptHeaderSize = 12;
// General purpose flags of an entry.
constexpr unsigned long kFlagEncrypted = 1;
constexpr unsigned long kFlagSizesAfterData = 8;

// Raw deflate (no zlib header, as ZIP entries hold it) of a stream given in pieces.
class Deflater {
 public:
  Deflater() { ok_ = deflateInit2(&z_, kCompressionLevel, Z_DEFLATED, -MAX_WBITS, kMemLevel, Z_DEFAULT_STRATEGY) == Z_OK; }
  ~Deflater() {
    if (ok_) deflateEnd(&z_);
  }
  Deflater(const Deflater&) = delete;
  Deflater& operator=(const Deflater&) = delete;

  // Compresses `n` bytes (finish: the last piece, n may be 0), handing the output on.
  Status Put(const char* data, size_t n, bool finish, const std::function<Status(char*, size_t)>& out) {
    if (!ok_) return Status::IoError("deflate could not start");
    z_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
    z_.avail_in = static_cast<uInt>(n);
    std::string buf(kChunk, '\0');
    for (;;) {
      z_.next_out = reinterpret_cast<Bytef*>(buf.data());
      z_.avail_out = static_cast<uInt>(buf.size());
      const int r = deflate(&z_, finish ? Z_FINISH : Z_NO_FLUSH);
      if (r == Z_STREAM_ERROR) return Status::IoError("deflate failed");
      const size_t made = buf.size() - z_.avail_out;
      if (made > 0) HURT_RETURN_IF_ERROR(out(buf.data(), made));
      if (finish ? r == Z_STREAM_END : (z_.avail_in == 0 && z_.avail_out != 0)) return Status::Ok();
    }
  }

 private:
  z_stream z_{};
  bool ok_ = false;
};

// Raw inflate of a stream given in pieces.
class Inflater {
 public:
  Inflater() { ok_ = inflateInit2(&z_, -MAX_WBITS) == Z_OK; }
  ~Inflater() {
    if (ok_) inflateEnd(&z_);
  }
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;

  // Corruption when the data are no deflate stream (or a wrong password made them so).
  Status Put(const char* data, size_t n, const std::function<Status(std::string_view)>& out) {
    if (!ok_) return Status::IoError("inflate could not start");
    z_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
    z_.avail_in = static_cast<uInt>(n);
    std::string buf(kChunk, '\0');
    while (!ended_) {
      z_.next_out = reinterpret_cast<Bytef*>(buf.data());
      z_.avail_out = static_cast<uInt>(buf.size());
      const int r = inflate(&z_, Z_NO_FLUSH);
      if (r != Z_OK && r != Z_STREAM_END && r != Z_BUF_ERROR) return Status::Corruption("damaged deflate data");
      const size_t made = buf.size() - z_.avail_out;
      if (made > 0) HURT_RETURN_IF_ERROR(out(std::string_view(buf.data(), made)));
      if (r == Z_STREAM_END) ended_ = true;
      if (z_.avail_in == 0 && z_.avail_out != 0) break;  // all taken, all given
      if (r == Z_BUF_ERROR && made == 0) break;          // nothing more can come of this piece
    }
    return Status::Ok();
  }
  bool ended() const { return ended_; }

 private:
  z_stream z_{};
  bool ok_ = false;
  bool ended_ = false;
};

zip_fileinfo InfoOf(const EntryTime& time) {
  zip_fileinfo info{};
  info.tmz_date.tm_sec = static_cast<uInt>(time.second);
  info.tmz_date.tm_min = static_cast<uInt>(time.minute);
  info.tmz_date.tm_hour = static_cast<uInt>(time.hour);
  info.tmz_date.tm_mday = static_cast<uInt>(time.day);
  info.tmz_date.tm_mon = static_cast<uInt>(time.month - 1);
  info.tmz_date.tm_year = static_cast<uInt>(time.year);
  return info;
}

}  // namespace

// ---- ZipWriter ----

struct ZipWriter::Io : EnvIo {};

ZipWriter::ZipWriter(xbase::Env& env, std::string path, std::string password)
    : env_(env),
      path_(std::move(path)),
      temp_path_(path_ + std::string(kArchiveTempSuffix)),
      password_(std::move(password)),
      io_(std::make_unique<Io>()) {
  Install(*io_, env_);
}

Result<std::unique_ptr<ZipWriter>> ZipWriter::Create(xbase::Env& env, const std::string& path, std::string password) {
  std::unique_ptr<ZipWriter> w(new ZipWriter(env, path, std::move(password)));
  // What a killed program left under the temporary name goes first.
  if (env.Exists(w->temp_path_)) HURT_RETURN_IF_ERROR(env.Remove(w->temp_path_));
  w->zip_ = zipOpen2_64(w->temp_path_.c_str(), APPEND_STATUS_CREATE, nullptr, &w->io_->funcs);
  if (w->zip_ == nullptr) {
    Status why = w->io_->first_error;
    if (env.Exists(w->temp_path_)) (void)env.Remove(w->temp_path_);  // best effort: it holds nothing
    return why.ok() ? Status::IoError(w->temp_path_ + ": cannot be created") : why;
  }
  return w;
}

ZipWriter::~ZipWriter() { Abandon(); }

void ZipWriter::Abandon() {
  if (zip_ == nullptr) return;
  (void)zipClose(zip_, nullptr);
  zip_ = nullptr;
  if (env_.Exists(temp_path_)) (void)env_.Remove(temp_path_);  // an unfinished archive is nothing to keep
}

Status ZipWriter::Add(std::string_view entry, uint64_t size, const ReadBytesAt& read, const EntryTime& time) {
  if (zip_ == nullptr || failed_) return Status::Invalid(path_ + ": the archive is closed");
  failed_ = true;  // until the entry is whole
  const std::string name(entry);
  HURT_RETURN_IF_ERROR(password_.empty() ? AddPlain(name, size, read, time) : AddEncrypted(name, size, read, time));
  failed_ = false;
  return Status::Ok();
}

Status ZipWriter::Failed(const std::string& what) const {
  return io_->first_error.ok() ? Status::IoError(path_ + ": " + what) : io_->first_error;
}

Status ZipWriter::AddPlain(const std::string& name, uint64_t size, const ReadBytesAt& read, const EntryTime& time) {
  const zip_fileinfo info = InfoOf(time);
  if (zipOpenNewFileInZip3_64(zip_, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                              kCompressionLevel, 0, -MAX_WBITS, kMemLevel, Z_DEFAULT_STRATEGY, nullptr, 0,
                              size >= kZip64Size ? 1 : 0) != ZIP_OK) {
    return Failed("entry " + name + " not started");
  }
  Status copied = ReadWhole(read, size, name, [this, &name](const char* p, size_t n) {
    return zipWriteInFileInZip(zip_, p, static_cast<unsigned>(n)) == ZIP_OK ? Status::Ok()
                                                                             : Failed("entry " + name + " not written");
  });
  const int closed = zipCloseFileInZip(zip_);
  HURT_RETURN_IF_ERROR(copied);
  return closed == ZIP_OK ? Status::Ok() : Failed("entry " + name + " not closed");
}

Status ZipWriter::AddEncrypted(const std::string& name, uint64_t size, const ReadBytesAt& read,
                               const EntryTime& time) {
  const zip_fileinfo info = InfoOf(time);
  // The encryption header carries the CRC, so it is taken first.
  uLong crc = crc32(0L, Z_NULL, 0);
  HURT_RETURN_IF_ERROR(ReadWhole(read, size, name, [&crc](const char* p, size_t n) {
    crc = crc32(crc, reinterpret_cast<const Bytef*>(p), static_cast<uInt>(n));
    return Status::Ok();
  }));
  // minizip lays out the entry (flags: encrypted; deflated at level 8); its data are
  // written raw: the header and the deflated bytes, encrypted here.
  if (zipOpenNewFileInZip4_64(zip_, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                              kCompressionLevel, 1, -MAX_WBITS, kMemLevel, Z_DEFAULT_STRATEGY, nullptr, 0, 0,
                              kFlagEncrypted, size >= kZip64Size ? 1 : 0) != ZIP_OK) {
    return Failed("entry " + name + " not started");
  }
  PkwareCipher cipher(password_);
  auto write = [this, &name, &cipher](char* p, size_t n) {
    cipher.Encrypt(p, n);
    return zipWriteInFileInZip(zip_, p, static_cast<unsigned>(n)) == ZIP_OK ? Status::Ok()
                                                                             : Failed("entry " + name + " not written");
  };
  std::string header(kCryptHeaderSize, '\0');
  std::random_device random;
  for (size_t i = 0; i + 2 < kCryptHeaderSize; ++i) header[i] = static_cast<char>(random() & 0xFFu);
  header[kCryptHeaderSize - 2] = static_cast<char>((crc >> 16) & 0xFFu);
  header[kCryptHeaderSize - 1] = static_cast<char>((crc >> 24) & 0xFFu);
  Status copied = write(header.data(), header.size());
  Deflater deflater;
  if (copied.ok()) {
    copied = ReadWhole(read, size, name, [&](const char* p, size_t n) { return deflater.Put(p, n, false, write); });
  }
  if (copied.ok()) copied = deflater.Put(nullptr, 0, true, write);
  const int closed = zipCloseFileInZipRaw64(zip_, size, crc);
  HURT_RETURN_IF_ERROR(copied);
  return closed == ZIP_OK ? Status::Ok() : Failed("entry " + name + " not closed");
}

Status ZipWriter::Finish() {
  if (zip_ == nullptr) return Status::Invalid(path_ + ": the archive is closed");
  if (failed_) {
    Abandon();
    return Status::Invalid(path_ + ": an entry failed, the archive is not kept");
  }
  const int closed = zipClose(zip_, nullptr);
  zip_ = nullptr;
  Status why = io_->first_error;
  if (closed != ZIP_OK || !why.ok()) {
    if (env_.Exists(temp_path_)) (void)env_.Remove(temp_path_);  // half an archive is nothing to keep
    return why.ok() ? Status::IoError(temp_path_ + ": not closed") : why;
  }
  Status renamed = env_.Rename(temp_path_, path_);
  if (!renamed.ok() && env_.Exists(temp_path_)) (void)env_.Remove(temp_path_);
  return renamed;
}

// ---- ZipReader ----

struct ZipReader::Io : EnvIo {};
struct ZipReader::Position {
  unz64_file_pos pos{};
  unsigned long crc = 0;
  unsigned long dos_date = 0;
  unsigned long flag = 0;
  unsigned long method = 0;
};

ZipReader::ZipReader() : io_(std::make_unique<Io>()) {}

ZipReader::~ZipReader() {
  if (unz_ != nullptr) (void)unzClose(unz_);
}

Result<std::unique_ptr<ZipReader>> ZipReader::Open(xbase::Env& env, const std::string& path) {
  if (!env.Exists(path)) return Status::NotFound(path);
  std::unique_ptr<ZipReader> r(new ZipReader());
  Install(*r->io_, env);
  r->unz_ = unzOpen2_64(path.c_str(), &r->io_->funcs);
  if (r->unz_ == nullptr) {
    Status why = r->io_->first_error;
    return why.ok() ? Status::Corruption(path + ": not a ZIP archive or a damaged one") : why;
  }
  int at = unzGoToFirstFile(r->unz_);
  while (at == UNZ_OK) {
    unz_file_info64 info{};
    if (unzGetCurrentFileInfo64(r->unz_, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) break;
    std::string name(info.size_filename, '\0');
    if (unzGetCurrentFileInfo64(r->unz_, &info, name.data(), static_cast<uLong>(name.size()), nullptr, 0, nullptr,
                                0) != UNZ_OK) {
      break;
    }
    if (const size_t nul = name.find('\0'); nul != std::string::npos) name.resize(nul);
    Position p;
    if (unzGetFilePos64(r->unz_, &p.pos) != UNZ_OK) break;
    p.crc = info.crc;
    p.dos_date = info.dosDate;
    p.flag = info.flag;
    p.method = info.compression_method;
    ZipEntry e;
    e.size = info.uncompressed_size;
    e.encrypted = (info.flag & kFlagEncrypted) != 0;
    e.directory = !name.empty() && (name.back() == '/' || name.back() == '\\');
    e.name = std::move(name);
    r->entries_.push_back(std::move(e));
    r->positions_.push_back(p);
    at = unzGoToNextFile(r->unz_);
  }
  if (at != UNZ_END_OF_LIST_OF_FILE) return Status::Corruption(path + ": damaged list of files");
  return r;
}

bool ZipReader::AnyEncrypted() const {
  return std::any_of(entries_.begin(), entries_.end(), [](const ZipEntry& e) { return e.encrypted; });
}

Status ZipReader::Read(size_t index, const std::string& password, const std::function<Status(std::string_view)>& sink) {
  if (index >= entries_.size()) return Status::Invalid("no entry " + std::to_string(index));
  const ZipEntry& e = entries_[index];
  if (e.encrypted && password.empty()) return Status::Unsupported(e.name + ": encrypted, no password");
  if (unzGoToFilePos64(unz_, &positions_[index].pos) != UNZ_OK) return Status::Corruption(e.name + ": not found");
  return e.encrypted ? ReadEncrypted(index, password, sink) : ReadPlain(index, sink);
}

Status ZipReader::ReadPlain(size_t index, const std::function<Status(std::string_view)>& sink) {
  const ZipEntry& e = entries_[index];
  if (unzOpenCurrentFile(unz_) != UNZ_OK) return Status::Corruption(e.name + ": damaged entry header");
  std::string buf(kChunk, '\0');
  uint64_t total = 0;
  Status st;
  for (;;) {
    const int n = unzReadCurrentFile(unz_, buf.data(), static_cast<unsigned>(buf.size()));
    if (n < 0) {
      st = Status::Corruption(e.name + ": damaged data");
      break;
    }
    if (n == 0) break;
    total += static_cast<uint64_t>(n);
    st = sink(std::string_view(buf.data(), static_cast<size_t>(n)));
    if (!st.ok()) break;
  }
  const int closed = unzCloseCurrentFile(unz_);  // checks the CRC of what was read whole
  HURT_RETURN_IF_ERROR(st);
  if (!io_->first_error.ok()) return io_->first_error;
  if (total != e.size) return Status::Corruption(e.name + ": length differs from the list of files");
  if (closed != UNZ_OK) return Status::Corruption(e.name + ": CRC does not agree");
  return Status::Ok();
}

Status ZipReader::ReadEncrypted(size_t index, const std::string& password,
                                const std::function<Status(std::string_view)>& sink) {
  const ZipEntry& e = entries_[index];
  const Position& p = positions_[index];
  if (p.method != 0 && p.method != Z_DEFLATED) return Status::Unsupported(e.name + ": unknown compression");
  int method = 0;
  int level = 0;
  if (unzOpenCurrentFile2(unz_, &method, &level, 1) != UNZ_OK) return Status::Corruption(e.name + ": damaged entry header");
  PkwareCipher cipher(password);
  Inflater inflater;
  uLong crc = crc32(0L, Z_NULL, 0);
  uint64_t total = 0;
  auto plain = [&](std::string_view piece) {
    crc = crc32(crc, reinterpret_cast<const Bytef*>(piece.data()), static_cast<uInt>(piece.size()));
    total += piece.size();
    return sink(piece);
  };
  // The header's last byte: the CRC's high byte, or the time's when the sizes follow the data.
  const uint8_t check = static_cast<uint8_t>(((p.flag & kFlagSizesAfterData) != 0 ? p.dos_date >> 8 : p.crc >> 24) & 0xFFu);
  std::string buf(kChunk, '\0');
  size_t header_left = kCryptHeaderSize;
  Status st;
  for (;;) {
    const int n = unzReadCurrentFile(unz_, buf.data(), static_cast<unsigned>(buf.size()));
    if (n < 0) {
      st = Status::Corruption(e.name + ": damaged data");
      break;
    }
    if (n == 0) break;
    char* data = buf.data();
    size_t size = static_cast<size_t>(n);
    cipher.Decrypt(data, size);
    if (header_left > 0) {
      const size_t skip = std::min(header_left, size);
      header_left -= skip;
      if (header_left == 0 && static_cast<uint8_t>(data[skip - 1]) != check) {
        st = Status::Corruption(e.name + ": wrong password");
        break;
      }
      data += skip;
      size -= skip;
    }
    st = p.method == 0 ? plain(std::string_view(data, size)) : inflater.Put(data, size, plain);
    if (!st.ok()) break;
  }
  (void)unzCloseCurrentFile(unz_);  // a raw read: the checks are the ones below
  HURT_RETURN_IF_ERROR(st);
  if (!io_->first_error.ok()) return io_->first_error;
  if (header_left > 0 || (p.method != 0 && !inflater.ended()) || total != e.size) {
    return Status::Corruption(e.name + ": damaged data or a wrong password");
  }
  if (crc != p.crc) return Status::Corruption(e.name + ": CRC does not agree (damaged data or a wrong password)");
  return Status::Ok();
}

// ---- unpacking ----

std::optional<std::string> SafeEntryPath(std::string_view name) {
  std::string s(name);
  std::replace(s.begin(), s.end(), '\\', '/');
  if (s.empty() || s.front() == '/' || s.find(':') != std::string::npos) return std::nullopt;
  std::string out;
  size_t from = 0;
  while (from <= s.size()) {
    size_t slash = s.find('/', from);
    if (slash == std::string::npos) slash = s.size();
    const std::string_view part = std::string_view(s).substr(from, slash - from);
    from = slash + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") return std::nullopt;
    if (!out.empty()) out += '/';
    out += part;
  }
  if (out.empty()) return std::nullopt;
  return Lower(out);
}

UnpackedFiles::~UnpackedFiles() { Discard(); }

UnpackedFiles::UnpackedFiles(UnpackedFiles&& other) noexcept
    : env_(other.env_), names_(std::move(other.names_)), files_(std::move(other.files_)) {
  other.files_.clear();
}

UnpackedFiles& UnpackedFiles::operator=(UnpackedFiles&& other) noexcept {
  if (this != &other) {
    Discard();
    env_ = other.env_;
    names_ = std::move(other.names_);
    files_ = std::move(other.files_);
    other.files_.clear();
  }
  return *this;
}

void UnpackedFiles::Discard() {
  for (const Pending& f : files_) {
    if (env_->Exists(f.temporary)) (void)env_->Remove(f.temporary);  // a temporary copy: nothing is lost
  }
  files_.clear();
}

std::vector<std::pair<std::string, std::string>> UnpackedFiles::Moves() const {
  std::vector<std::pair<std::string, std::string>> out;
  for (const Pending& p : files_) out.emplace_back(p.temporary, p.final_path);
  return out;
}

Status UnpackedFiles::Commit() {
  for (size_t i = 0; i < files_.size(); ++i) {
    Status renamed = env_->Rename(files_[i].temporary, files_[i].final_path);
    if (!renamed.ok()) {
      files_.erase(files_.begin(), files_.begin() + static_cast<std::ptrdiff_t>(i));
      Discard();
      return renamed;
    }
  }
  files_.clear();
  return Status::Ok();
}

namespace {

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace

Result<UnpackedFiles> UnpackBeside(xbase::Env& env, const std::string& archive, const std::string& root,
                                   const std::string& password, const std::function<void(const std::string&)>& progress) {
  auto reader = ZipReader::Open(env, archive);
  if (!reader.ok()) return reader.status();
  const std::vector<ZipEntry>& entries = (*reader)->entries();
  // Every name is judged before anything is written.
  std::vector<std::string> paths;
  paths.reserve(entries.size());
  for (const ZipEntry& e : entries) {
    std::optional<std::string> safe = SafeEntryPath(e.name);
    if (!safe) return Status::Invalid(e.name);
    paths.push_back(std::move(*safe));
  }
  if ((*reader)->AnyEncrypted() && password.empty()) return Status::Unsupported(archive + ": encrypted, no password");

  const std::string base = root.empty() ? std::string(".") : root;
  // What an unpack killed before its renames left in these folders goes first.
  std::set<std::string> folders;
  for (const std::string& p : paths) folders.insert(FolderOf(base + "/" + p));
  for (const std::string& folder : folders) {
    if (!env.IsDir(folder)) continue;
    auto names = env.ListDir(folder);
    if (!names.ok()) return names.status();
    for (const std::string& n : *names) {
      if (n.size() > kUnpackTempSuffix.size() &&
          std::string_view(n).substr(n.size() - kUnpackTempSuffix.size()) == kUnpackTempSuffix) {
        HURT_RETURN_IF_ERROR(env.Remove(folder + "/" + n));
      }
    }
  }
  UnpackedFiles out(env);
  for (size_t i = 0; i < entries.size(); ++i) {
    const std::string final_path = base + "/" + paths[i];
    if (entries[i].directory) {
      HURT_RETURN_IF_ERROR(env.CreateDirs(final_path));
      continue;
    }
    if (progress) progress(paths[i]);
    if (const std::string folder = FolderOf(final_path); !folder.empty()) HURT_RETURN_IF_ERROR(env.CreateDirs(folder));
    const std::string temporary = final_path + std::string(kUnpackTempSuffix);
    if (env.Exists(temporary)) HURT_RETURN_IF_ERROR(env.Remove(temporary));
    auto file = env.Open(temporary, {.write = true, .create = true, .truncate = true});
    if (!file.ok()) return file.status();
    out.files_.push_back({temporary, final_path});
    out.names_.push_back(paths[i]);
    uint64_t at = 0;
    HURT_RETURN_IF_ERROR((*reader)->Read(i, password, [&](std::string_view piece) {
      Status w = (*file)->WriteAt(at, piece);
      at += piece.size();
      return w;
    }));
    HURT_RETURN_IF_ERROR((*file)->Sync());
  }
  return out;
}

}  // namespace hurt::maintenance
