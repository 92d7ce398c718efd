#include "platform/tsql/storage/database_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/tsql/errors.h"
#include "platform/tsql/storage/byte_io.h"
#include "platform/tsql/storage/checksum.h"
#include "platform/tsql/storage/file_io.h"

namespace mls::tsql::storage {

namespace {

constexpr uint8_t kMagic[8] = {'M', 'L', 'S', 'D', 'B', '\r', '\n', 0x1a};
constexpr uint32_t kFormatVersion = 4;  // 3: the image may hold stored procedures; 4: the file's identity
constexpr size_t kHeaderSize = 8 + 4 + 8 + 8 + 8 + 8 + 8;
constexpr size_t kSecondHeaderSize = 8 + 4 + 8 + 8 + 8 + 8;  // versions 2 and 3: no identity
constexpr size_t kFirstHeaderSize = 8 + 4 + 8 + 8 + 8;       // version 1: no change counter

std::mutex settingsMutex;
DatabaseFile::CheckpointRule checkpointRule;

// Stores `v` little-endian at `at` (a field of the header).
void putU64(std::vector<uint8_t>& bytes, size_t at, uint64_t v) {
  for (int i = 0; i < 8; ++i)
    bytes[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}

// Opens `path` for reading without blocking (a FIFO must not hang the open)
// and checks that it is a regular file; -1 with errno set when it cannot be
// opened.
int openRegular(const std::string& path, struct stat& st) {
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  if (::fstat(fd, &st) != 0) {
    int err = errno;
    ::close(fd);
    osError(path, err);
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    notRegular(path);
  }
  return fd;
}

// Up to `limit` bytes from the start of the regular file at `path`, and its
// state; nothing when there is no file and `create` allows that, else 4060.
std::optional<std::vector<uint8_t>> readFile(const std::string& path, bool create, size_t limit,
                                             struct stat& st) {
  int fd = openRegular(path, st);
  if (fd < 0) {
    int err = errno;
    if (err != ENOENT) osError(path, err);
    if (!create) throwSqlError(4060, {path});
    return std::nullopt;
  }
  std::vector<uint8_t> bytes;
  try {
    bytes = readAt(path, fd, 0, std::min(limit, static_cast<size_t>(st.st_size)));
  } catch (...) {
    ::close(fd);
    throw;
  }
  ::close(fd);
  return bytes;
}

bool hasSignature(std::span<const uint8_t> bytes) {
  return bytes.size() >= kFirstHeaderSize && std::memcmp(bytes.data(), kMagic, sizeof kMagic) == 0;
}

// The header of an image file: checked, with its change counter, identity
// (0: none) and size.
struct Header {
  uint64_t counter = 0;
  uint64_t fileId = 0;
  size_t size = 0;
  uint64_t length = 0;
  uint64_t imageSum = 0;
};

Header readHeader(const std::string& path, std::span<const uint8_t> bytes) {
  if (!hasSignature(bytes)) throwSqlError(5172, {path, "signature"});
  ByteReader in(bytes.subspan(sizeof kMagic));
  uint32_t version = in.u32();
  Header h;
  h.size = version == 1 ? kFirstHeaderSize : version < 4 ? kSecondHeaderSize : kHeaderSize;
  if (bytes.size() < h.size) damaged(path, "the header is cut short");
  h.length = in.u64();
  h.imageSum = in.u64();
  if (version != 1) h.counter = in.u64();
  if (version >= 4) h.fileId = in.u64();
  uint64_t headerSum = in.u64();
  if (headerSum != checksum64(bytes.first(h.size - 8))) damaged(path, "the header checksum is wrong");
  if (version < 1 || version > kFormatVersion) throwSqlError(5172, {path, "format version"});
  return h;
}

// Takes `lock` (LOCK_EX or LOCK_SH) on `fd`, retrying until the options'
// time-out has passed (telling their `waiting` once); raises 5120 then.
void waitForLock(const std::string& path, int fd, int lock, const Database::OpenOptions& options) {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::seconds(std::max(options.timeoutSeconds, 0));
  for (bool told = false;;) {
    if (::flock(fd, lock | LOCK_NB) == 0) return;
    int err = errno;
    if (err == EINTR) continue;
    if (err != EWOULDBLOCK) osError(path, err);
    if (std::chrono::steady_clock::now() >= deadline)
      throwSqlError(5120, {path, std::to_string(err), "The file is in use by another process"});
    if (!told && options.waiting) options.waiting();
    told = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

// A database for reading a file apart: tables, views and procedures only.
class LooseDatabase : public HeldDatabase {
 public:
  TableSet& tables() override { return tables_; }
  std::vector<ViewText> views(const UndoLog*) override { return views_; }
  void setViews(const std::vector<ViewText>& views) override { views_ = views; }
  std::vector<ProcedureText> procedures(const UndoLog*) override { return procedures_; }
  void setProcedures(const std::vector<ProcedureText>& procedures) override { procedures_ = procedures; }
  CommittedView openChanges(const UndoLog*) override { return {}; }
  bool changedElsewhere(const Table&, const UndoLog&) override { return false; }

 private:
  TableSet tables_;
  std::vector<ViewText> views_;
  std::vector<ProcedureText> procedures_;
};

}  // namespace

void DatabaseFile::setSaveFault(SaveFault fault) {
  setFaultHook(std::move(fault));
}

void DatabaseFile::setCheckpointRule(CheckpointRule rule) {
  std::lock_guard lock(settingsMutex);
  checkpointRule = rule;
}

DatabaseFile::DatabaseFile(std::string path, std::unique_ptr<HeldDatabase> db)
    : path_(std::move(path)), db_(std::move(db)), recorder_(*db_), log_(path_) {}

DatabaseFile::~DatabaseFile() {
  releaseLock();
}

DatabaseFile::Stamp DatabaseFile::stampOf(const struct stat& st) {
  return {st.st_dev, st.st_ino, st.st_size,
          static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

void DatabaseFile::releaseLock() noexcept {
  log_.close();
  if (lockFd_ >= 0) ::close(lockFd_);  // releases the lock
  lockFd_ = -1;
}

void DatabaseFile::beginUse(const Database::OpenOptions& options) {
  create_ = options.create && !apart_;
  readOnly_ = apart_;
  // What lies at the path decides before any lock file is made next to it.
  struct stat st {};
  if (std::optional<std::vector<uint8_t>> header = readFile(path_, create_, kFirstHeaderSize, st)) {
    if (!hasSignature(*header)) throwSqlError(5172, {path_, "signature"});
    // A file nobody may write (by its mode, which binds even a superuser
    // here) or that this process cannot replace is only read.
    readOnly_ = apart_ || (st.st_mode & 0222) == 0 || ::access(path_.c_str(), W_OK) != 0 ||
                ::access(folderOf(path_).c_str(), W_OK) != 0;
  }
  std::string lockPath = path_ + ".lock";
  if (!apart_)
    lockFd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
  try {
    if (apart_) {
      refresh();
      return;
    }
    if (lockFd_ < 0) {
      int err = errno;
      // A read-only database in a folder nobody may write is read without a lock.
      if (!(readOnly_ && (err == EACCES || err == EROFS))) osError(lockPath, err);
    } else {
      struct stat lockSt {};
      if (::fstat(lockFd_, &lockSt) != 0 || !S_ISREG(lockSt.st_mode) || lockSt.st_nlink != 1)
        notRegular(lockPath);  // a device, or a second name of another file
      waitForLock(path_, lockFd_, readOnly_ ? LOCK_SH : LOCK_EX, options);
    }
    refresh();
  } catch (...) {
    releaseLock();
    throw;
  }
}

void DatabaseFile::refresh() {
  struct stat st {};
  std::optional<std::vector<uint8_t>> head = readFile(path_, create_, kHeaderSize, st);
  if (!head) {
    // No file (creation asked for): a new, empty database; a path that cannot
    // be written fails here.  A log left beside the path is no log of it:
    // kept aside whatever it holds.
    bool leftLog = false;
    try {
      leftLog = log_.open(false);
    } catch (const SqlError& e) {
      if (e.number() == 5120) throw;  // not a regular file
      leftLog = true;
    }
    if (leftLog) keepLogAside(LogFit::Foreign, false);
    db_->tables().clear();
    db_->setViews({});
    db_->setProcedures({});
    imageBytes_ = saveImage(db_->tables(), {}, {}, 1, randomNumber());
    log_.reset(counter_, fileId_, imageMark_, nullptr);
    logEnd_ = log_.end();
    logStamp_ = stampOf(log_.status());
    recorder_.restart();
    loaded_ = true;
    return;
  }
  Header h = readHeader(path_, *head);
  const bool ownLog = log_.open(readOnly_) && logFit() == LogFit::Own;
  const Stamp logNow = stampOf(log_.status());  // zeros without a log
  const bool sameImage = loaded_ && stampOf(st) == image_ && h.counter == counter_ && h.fileId == fileId_;
  if (sameImage && (!ownLog || log_.chainedAt(logEnd_))) {
    if (logNow == logStamp_) {
      if (ownLog) (void)log_.read(logEnd_);  // at this process's end
      return;
    }
    if (ownLog && logNow.ino == logStamp_.ino && logNow.dev == logStamp_.dev &&
        logNow.size > logStamp_.size && logEnd_ > 0 && !recorder_.pending()) {
      // Another process appended: its records follow this process's.
      try {
        replayFrom(logEnd_);
        return;
      } catch (...) {
        loaded_ = false;
        throw;
      }
    }
  }
  loaded_ = false;
  load();
}

void DatabaseFile::load() {
  struct stat st {};
  std::optional<std::vector<uint8_t>> file = readFile(path_, create_, SIZE_MAX, st);
  if (!file) throwSqlError(4060, {path_});  // removed since the start of the use
  const std::vector<uint8_t>& bytes = *file;
  Header h = readHeader(path_, bytes);
  if (h.length != bytes.size() - h.size) damaged(path_, "the file is shorter or longer than its header says");
  std::span<const uint8_t> image = std::span<const uint8_t>(bytes).subspan(h.size);
  if (h.imageSum != checksum64(image)) damaged(path_, "the content checksum is wrong");
  DecodedTables decoded;
  try {
    decoded = decodeTables(image);
  } catch (const FormatError& e) {
    damaged(path_, e.what());
  }
  TableSet& set = db_->tables();
  set.clear();
  set.reserveIdsThrough(decoded.highestId);  // new objects must not take the ids of loaded ones
  for (auto& t : decoded.tables)
    set.add(std::move(t));
  try {
    db_->setViews(decoded.views);
  } catch (const SqlError& e) {
    set.clear();
    damaged(path_, "a view definition does not parse: " + e.message());
  }
  try {
    db_->setProcedures(decoded.procedures);
  } catch (const SqlError& e) {
    set.clear();
    db_->setViews({});
    damaged(path_, "a procedure definition does not parse: " + e.message());
  }
  unkept_.reset();
  image_ = stampOf(st);
  counter_ = h.counter;
  fileId_ = h.fileId;
  imageMark_ = WriteAheadLog::markOf(h.imageSum);
  imageBytes_ = bytes.size();
  const LogFit fit = logFit();
  if (fit == LogFit::Own) {
    try {
      replayFrom(0);
    } catch (...) {
      set.clear();
      throw;
    }
  } else {
    try {
      if (fit == LogFit::Foreign || fit == LogFit::Later) keepLogAside(fit);
    } catch (...) {
      set.clear();
      throw;
    }
    logEnd_ = 0;
    logStamp_ = stampOf(log_.status());
    recorder_.restart();
    loaded_ = true;
  }
}

void DatabaseFile::replayFrom(uint64_t offset) {
  unkept_.reset();
  std::vector<std::vector<uint8_t>> records = log_.read(offset);
  for (const std::vector<uint8_t>& payload : records) {
    try {
      replayRecord(payload, *db_);
    } catch (const FormatError& e) {
      damaged(log_.path(), e.what());
    }
  }
  if (!log_.tail().empty()) {
    // No commit was reported from these bytes, but they are never destroyed.
    keepAside(false, std::to_string(log_.tail().size()) +
                         " bytes after the last sealed record of its log were not a valid record and");
  }
  logEnd_ = log_.end();
  logStamp_ = stampOf(log_.status());
  recorder_.restart();
  loaded_ = true;
}

DatabaseFile::LogFit DatabaseFile::logFit() const {
  if (!log_.counter()) return LogFit::None;
  const uint64_t counter = *log_.counter();
  if (log_.fileId() == fileId_) {
    // Of this image's counter but of another image: a copy of the file changed apart.
    if (counter == counter_ && log_.imageMark() != 0 && log_.imageMark() != imageMark_)
      return LogFit::Foreign;
    return counter == counter_ ? LogFit::Own : counter < counter_ ? LogFit::Earlier : LogFit::Later;
  }
  // A log of an earlier format names no file: of an earlier image it is this
  // file's, left by the checkpoint that wrote this image's format.
  return log_.fileId() == 0 && counter < counter_ ? LogFit::Earlier : LogFit::Foreign;
}

void DatabaseFile::keepLogAside(LogFit fit, bool orLater) {
  const std::string which = fit == LogFit::Later
                                ? "continues a later state of the file (change " +
                                      std::to_string(*log_.counter()) + ") than its image (change " +
                                      std::to_string(counter_) + ")"
                                : "is not this file's log";
  keepAside(true,
            "the " + std::to_string(log_.status().st_size) + " bytes of its log '" + log_.path() +
                "', which " + which + ", were not replayed and",
            orLater);
}

void DatabaseFile::keepAside(bool wholeLog, const std::string& what, bool orLater) {
  unkept_ = Unkept{wholeLog, what};
  if (!readOnly_) {
    try {
      return keepUnkept();
    } catch (const SqlError& e) {
      if (e.number() != 3202 || !orLater) {
        unkept_.reset();
        throw;
      }
    }
  } else {
    unkept_.reset();  // never written: the bytes stay where they are
  }
  std::lock_guard lock(messagesMutex_);
  messages_.push_back(sqlError(3408, {path_, what, log_.path()}).toMessage());
}

void DatabaseFile::keepUnkept() {
  if (!unkept_) return;
  struct stat like {};
  const struct stat* mode = ::stat(path_.c_str(), &like) == 0 ? &like : nullptr;
  const std::string kept = unkept_->wholeLog ? log_.keepWhole(mode) : log_.keepTail(mode);
  figures_.flushes += 3;
  std::lock_guard lock(messagesMutex_);
  messages_.push_back(sqlError(3408, {path_, unkept_->what, kept}).toMessage());
  unkept_.reset();
}

void DatabaseFile::endUse() noexcept {
  try {
    if (!readOnly_ && recorder_.pending()) flush();
  } catch (...) {
    // What could not be written is lost with the use (its calls failed): the
    // next use loads the file as it is.
    loaded_ = false;
  }
  releaseLock();
}

void DatabaseFile::release() noexcept {
  if (readOnly_ || apart_ || !loaded_ || logEnd_ <= log_.headerSize()) return;
  try {
    // Only a file that is free and as this process left it.
    lockFd_ = ::open((path_ + ".lock").c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    struct stat st {};
    if (lockFd_ >= 0 && ::flock(lockFd_, LOCK_EX | LOCK_NB) == 0 && ::stat(path_.c_str(), &st) == 0 &&
        stampOf(st) == image_ && log_.open(false) && stampOf(log_.status()) == logStamp_ &&
        logFit() == LogFit::Own) {
      (void)log_.read(logEnd_);
      checkpoint();
    }
  } catch (...) {
    // The log stays: whoever opens the file next replays it.
  }
  releaseLock();
}

void DatabaseFile::append() {
  ChangeRecorder::Next next = recorder_.next();
  if (next.payload.empty()) return recorder_.written(std::move(next));
  keepUnkept();
  if (logFit() != LogFit::Own) {
    struct stat like {};
    log_.reset(counter_, fileId_, imageMark_, ::stat(path_.c_str(), &like) == 0 ? &like : nullptr);
    figures_.flushes += 2;
  }
  log_.append(next.payload);
  ++figures_.records;
  ++figures_.flushes;
  figures_.recordBytes += next.payload.size();
  logEnd_ = log_.end();
  logStamp_ = stampOf(log_.status());
  recorder_.written(std::move(next));
}

void DatabaseFile::harden(const UndoLog& log) {
  if (!log.touchesPermanent() || readOnly_) return;  // else the undo log's commit tells nothing
  const ChangeRecorder::Mark mark = recorder_.mark();
  recorder_.committed(log);
  recorder_.recorded(&log);  // the undo log's commit tells of it again
  try {
    // Only a checkpoint can hold it: one is written now, with the commit in it.
    if (recorder_.broken() || !logTakesRecords()) {
      checkpoint(&log);
    } else {
      append();
    }
  } catch (...) {
    recorder_.withdraw(mark);
    throw;
  }
}

std::vector<SqlMessage> DatabaseFile::takeMessages() {
  std::lock_guard lock(messagesMutex_);
  return std::exchange(messages_, {});
}

bool DatabaseFile::logTakesRecords() const {
  return fileId_ != 0 && (logEnd_ == 0 || log_.version() == WriteAheadLog::kVersion);
}

bool DatabaseFile::dueForCheckpoint() const {
  CheckpointRule rule;
  {
    std::lock_guard lock(settingsMutex);
    rule = checkpointRule;
  }
  return logEnd_ >= rule.atLeast &&
         static_cast<double>(logEnd_) > rule.share * static_cast<double>(imageBytes_);
}

void DatabaseFile::flush() {
  if (readOnly_) return;
  // A log of an older format, or beside an image of one, is never appended
  // to: the image takes its place.
  if (recorder_.broken() || (recorder_.pending() && !logTakesRecords())) return checkpoint();
  append();
  if (logEnd_ > 0 && dueForCheckpoint()) {
    try {
      checkpoint();
    } catch (const SqlError&) {
      // The change is in the log already; the next write tries again.
    }
  }
}

void DatabaseFile::checkpoint(const UndoLog* committing) {
  if (readOnly_) return;
  keepUnkept();  // the new log must not replace bytes not kept yet
  // What open transactions changed is taken back on copies.
  CommittedView view = db_->openChanges(committing);
  const uint64_t fileId = fileId_ != 0 ? fileId_ : randomNumber();  // an image of an earlier format takes one
  std::vector<ViewText> views = db_->views(committing);
  std::vector<ProcedureText> procedures = db_->procedures(committing);
  uint64_t bytes = 0;
  if (view.empty()) {
    bytes = saveImage(db_->tables(), views, procedures, counter_ + 1, fileId);
  } else {
    TableSet committed;
    auto keep = [&](const std::shared_ptr<Table>& t) {
      auto it = view.copies.find(t.get());
      if (it == view.copies.end()) return committed.add(t);
      if (it->second) committed.add(it->second);
    };
    for (const std::shared_ptr<Table>& t : db_->tables().tables())
      keep(t);
    for (const std::shared_ptr<Table>& t : view.dropped)
      keep(t);
    bytes = saveImage(committed, views, procedures, counter_ + 1, fileId);
  }
  imageBytes_ = bytes;
  ++figures_.checkpoints;
  figures_.flushes += 4;  // the image and its folder, the new log and its folder
  figures_.checkpointBytes += bytes;
  recorder_.restart();
  // The new image is the file's state now, whatever follows: a log that
  // cannot be started over is left to the next write (the old one continues
  // the image before and is never read again).
  struct stat like {};
  bool exists = ::stat(path_.c_str(), &like) == 0;
  try {
    log_.reset(counter_, fileId_, imageMark_, exists ? &like : nullptr);
    logEnd_ = log_.end();
  } catch (const SqlError&) {
    logEnd_ = 0;
  }
  logStamp_ = stampOf(log_.status());
}

uint64_t DatabaseFile::saveImage(const TableSet& tables, const std::vector<ViewText>& views,
                                 const std::vector<ProcedureText>& procedures, uint64_t counter,
                                 uint64_t fileId) {
  if (readOnly_) throwSqlError(3906, {path_});
  ByteWriter out;
  for (uint8_t b : kMagic)
    out.u8(b);
  out.u32(kFormatVersion);
  out.u64(0);  // length, checksum, counter: filled in below
  out.u64(0);
  out.u64(0);
  out.u64(fileId);
  out.u64(0);  // header checksum
  encodeTables(tables, out, views, procedures);
  std::vector<uint8_t>& bytes = out.bytes();
  std::span<const uint8_t> image = std::span<const uint8_t>(bytes).subspan(kHeaderSize);
  putU64(bytes, 12, image.size());
  const uint64_t imageSum = checksum64(image);
  putU64(bytes, 20, imageSum);
  putU64(bytes, 28, counter);
  putU64(bytes, kHeaderSize - 8, checksum64(std::span<const uint8_t>(bytes).first(kHeaderSize - 8)));
  // The new file takes the mode and owner of the one it replaces.
  struct stat old {};
  bool replacing = ::stat(path_.c_str(), &old) == 0;
  // Once renamed the image is in place, its folder's flush left to the new log's.
  (void)replaceFile(path_, bytes, replacing ? &old : nullptr, path_, "");
  counter_ = counter;
  fileId_ = fileId;
  imageMark_ = WriteAheadLog::markOf(imageSum);
  struct stat now {};
  if (::stat(path_.c_str(), &now) == 0) image_ = stampOf(now);
  return bytes.size();
}

DecodedTables readDatabaseFile(const std::string& path) {
  auto loose = std::make_unique<LooseDatabase>();
  LooseDatabase& db = *loose;
  DatabaseFile file(path, std::move(loose));
  file.apart_ = true;
  file.beginUse({.create = false, .timeoutSeconds = 0});
  file.endUse();
  DecodedTables out;
  for (const auto& t : db.tables().tables())
    out.tables.push_back(t);
  out.views = db.views(nullptr);
  out.procedures = db.procedures(nullptr);
  return out;
}

}  // namespace mls::tsql::storage
