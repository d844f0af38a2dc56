// Reading and writing DB files: the one place that opens a DB file, reads its
// header, checks its ID, reads its tables and records, and writes them back.
//
// Stores use DbFileReader for every load ("open, read header, check ID, read
// tables, read records"), each with its own result codes; a store builds its
// new state in locals and swaps it in only when every step succeeded, so a
// failed load leaves nothing allocated.  Tools and store Save functions use
// DbFileWriter, which writes to a temporary file beside the target and
// renames it over the target only on Commit: a failed or interrupted write
// never leaves a good DB file truncated.
#ifndef KUROVIA_FORMAT_DB_FILE_H
#define KUROVIA_FORMAT_DB_FILE_H

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <type_traits>

#include "layout.h"

namespace krv::format {

// An owning array of plain records that is not zero-filled on allocation:
// the loaders overwrite every byte from the file right away.
template <class T>
class RecordArray {
  static_assert(std::is_trivially_copyable_v<T>);

 public:
  RecordArray() = default;
  RecordArray(RecordArray&&) noexcept = default;
  RecordArray& operator=(RecordArray&&) noexcept = default;
  RecordArray(const RecordArray&) = delete;
  RecordArray& operator=(const RecordArray&) = delete;

  // False when the memory cannot be had; the array is then empty.
  bool Allocate(std::size_t count) {
    data_.reset(count == 0 ? nullptr : new (std::nothrow) T[count]);
    size_ = data_ ? count : 0;
    return count == 0 || data_ != nullptr;
  }
  // Like Allocate, with every byte zero.
  bool AllocateZeroed(std::size_t count) {
    if (!Allocate(count)) return false;
    if (count != 0) std::memset(static_cast<void*>(data_.get()), 0, sizeof(T) * count);
    return true;
  }
  void Reset() {
    data_.reset();
    size_ = 0;
  }

  T* data() { return data_.get(); }
  const T* data() const { return data_.get(); }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  T& operator[](std::size_t i) { return data_[i]; }
  const T& operator[](std::size_t i) const { return data_[i]; }

 private:
  std::unique_ptr<T[]> data_;
  std::size_t size_ = 0;
};

// Result codes a store gives for the three steps every load starts with.
struct OpenCodes {
  int open;    // the file cannot be opened
  int header;  // the header cannot be read whole
  int id;      // the ID string differs
};

class DbFileReader {
 public:
  DbFileReader() = default;
  ~DbFileReader();
  DbFileReader(const DbFileReader&) = delete;
  DbFileReader& operator=(const DbFileReader&) = delete;

  // Opens `path` for binary reading, reads sizeof(Header) bytes into
  // `header` in one read and compares its NUL-terminated ID with `id`.
  // 0, or the matching code of `codes`.
  template <class Header>
  int Open(const char* path, const char* id, Header& header, const OpenCodes& codes) {
    if (!OpenFile(path)) return codes.open;
    if (!ReadRaw(&header, sizeof(Header))) return codes.header;
    if (!IdMatches(header.id, id)) return codes.id;
    ByteSwapFields(header);
    return 0;
  }

  // Reads `count` items into fixed storage.  0, or `readCode` when the file
  // holds fewer items.
  template <class T>
  int Read(T* out, uint64_t count, int readCode) {
    if (count > BytesLeft() / sizeof(T)) return readCode;
    if (!ReadRaw(out, static_cast<std::size_t>(count) * sizeof(T))) return readCode;
    FromFileOrder(out, count);
    return 0;
  }

  // Allocates `out` for `count` items and reads them.  The count is checked
  // against the bytes left in the file first, so a damaged count gives
  // `readCode` instead of a huge allocation.  0, `memoryCode` or `readCode`.
  template <class T>
  int Read(RecordArray<T>& out, uint64_t count, int memoryCode, int readCode) {
    if (count > BytesLeft() / sizeof(T)) return readCode;
    if (!out.Allocate(static_cast<std::size_t>(count))) return memoryCode;
    return Read(out.data(), count, readCode);
  }

  // Reads like the Read above, in pieces small enough to stay in the cache,
  // and hands each piece to `visit(items, count)` right after reading it:
  // checks of every item then cost no second trip through memory.
  template <class T, class Visit>
  int ReadVisiting(RecordArray<T>& out, uint64_t count, int memoryCode, int readCode, Visit&& visit) {
    if (count > BytesLeft() / sizeof(T)) return readCode;
    if (!out.Allocate(static_cast<std::size_t>(count))) return memoryCode;
    constexpr uint64_t kPieceItems = kReadPieceBytes / sizeof(T) == 0 ? 1 : kReadPieceBytes / sizeof(T);
    for (uint64_t first = 0; first < count; first += kPieceItems) {
      const uint64_t n = count - first < kPieceItems ? count - first : kPieceItems;
      if (const int rc = Read(out.data() + first, n, readCode); rc != 0) return rc;
      visit(static_cast<const T*>(out.data() + first), static_cast<std::size_t>(n));
    }
    return 0;
  }
  uint64_t BytesLeft() const { return size_ > position_ ? size_ - position_ : 0; }

 private:
  bool OpenFile(const char* path);
  bool ReadRaw(void* out, std::size_t bytes);
  template <class T>
  static void FromFileOrder(T* items, uint64_t count) {
    if constexpr (!kHostIsLittleEndian) {
      for (uint64_t i = 0; i < count; ++i) ByteSwapFields(items[i]);
    }
  }

  // Large enough that a file costs few system calls, small enough that a
  // piece is still in the cache when it is checked.
  static constexpr uint64_t kReadPieceBytes = 512 * 1024;

  // A plain descriptor: every read is large and goes straight into its
  // array, with no stream buffer to copy through.
  int fd_ = -1;
  uint64_t size_ = 0;
  uint64_t position_ = 0;
};

class DbFileWriter {
 public:
  DbFileWriter() = default;
  ~DbFileWriter();  // abandons the temporary file unless committed
  DbFileWriter(const DbFileWriter&) = delete;
  DbFileWriter& operator=(const DbFileWriter&) = delete;

  // Creates the temporary file "<path>.tmp" for writing.  False when it
  // cannot be created.
  bool Create(const char* path);
  bool is_open() const { return file_ != nullptr; }

  // Writes items in file byte order.  False on a short write.
  template <class T>
  bool Write(const T* items, std::size_t count) {
    if constexpr (kHostIsLittleEndian) {
      return WriteRaw(items, sizeof(T) * count);
    } else {
      for (std::size_t i = 0; i < count; ++i) {
        T copy = items[i];
        ByteSwapFields(copy);
        if (!WriteRaw(&copy, sizeof(T))) return false;
      }
      return true;
    }
  }
  template <class T>
  bool Write(const T& item) {
    return Write(&item, 1);
  }
  bool WriteBytes(const void* bytes, std::size_t count) { return WriteRaw(bytes, count); }
  bool Seek(uint64_t offset);

  // Closes the temporary file; false when anything written to it failed
  // (the temporary file is then removed).  A tool that writes several files
  // finishes them all before it commits the first, so that a failure leaves
  // every old file in place.
  bool Finish();
  // Finishes the temporary file if needed and renames it over the target.
  // False when anything failed; the old target then stays as it was.
  bool Commit();
  // Closes and removes the temporary file; the target stays as it was.
  void Abandon();

  const std::string& target() const { return target_; }
  // True once Commit has replaced the target (until the next Create).
  bool committed() const { return committed_; }

 private:
  bool WriteRaw(const void* bytes, std::size_t count);

  std::FILE* file_ = nullptr;
  std::string target_;
  std::string temp_;
  bool failed_ = false;
  bool finished_ = false;
  bool committed_ = false;
};

}  // namespace krv::format

#endif  // KUROVIA_FORMAT_DB_FILE_H
