#pragma once
// A bounded window onto an open file: byte ranges are served from one buffer, which is read again
// only when a range lies outside it. Readers of file formats (ZIP directories, PE and ELF export
// tables) ask for small ranges at scattered offsets and so cost a handful of system calls.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

// One bound on the memory that the read buffers of several readers hold together. A reader whose
// buffer must grow waits until the others have given back enough; a reader never waits for
// anything else while it holds more than a small buffer, so they cannot wait for each other.
// Large buffers are the budget's own blocks, mapped from the system. One given back is kept for
// the next reader (no mapping and no page faults per archive) and unmapped when the room is
// needed for another, so the memory the process holds for its readers is what the budget
// counts: freed to the heap, a buffer would stay with the process, be split for small
// allocations, and the heap grow for the next one.
class TMemoryBudget {
 public:
  explicit TMemoryBudget(std::size_t bytes) : FTotal(bytes), FFree(bytes) {}
  ~TMemoryBudget();
  TMemoryBudget(const TMemoryBudget&) = delete;
  TMemoryBudget& operator=(const TMemoryBudget&) = delete;

  // A buffer of at least `bytes` (counted as the whole budget when they are more), waiting for
  // the room; its size goes to `capacity`. Raises std::bad_alloc.
  unsigned char* Take(std::size_t bytes, std::size_t& capacity);
  void Give(unsigned char* data, std::size_t capacity);

 private:
  struct TBlock {
    unsigned char* Data;
    std::size_t Capacity;
  };
  std::size_t Counted(std::size_t capacity) const { return capacity < FTotal ? capacity : FTotal; }
  const std::size_t FTotal;
  std::mutex FLock;
  std::condition_variable FGiven;
  std::size_t FFree;          // neither in a buffer nor kept
  std::vector<TBlock> FKept;  // large blocks given back, counted as taken
};

// What a window reads into. It may outlive the window, so that a reader of many files keeps one
// buffer for all of them.
struct TWindowBuffer {
  unsigned char* Data = nullptr;
  std::size_t Capacity = 0;
  TMemoryBudget* Budget = nullptr;  // where its memory is taken from, when it is bounded

  TWindowBuffer() = default;
  TWindowBuffer(const TWindowBuffer&) = delete;
  TWindowBuffer& operator=(const TWindowBuffer&) = delete;
  ~TWindowBuffer() { Release(); }
  // Frees the buffer, giving its memory back to the budget.
  void Release();
  // Frees the buffer and takes one of `bytes` in its place (bytes already freed, so that readers
  // waiting for each other's memory never hold any).
  void Replace(std::size_t bytes);
};

class TFileWindow {
 public:
  // `size` is the file's size as found when it was opened; nothing past it is read. Each refill
  // reads at least `firstChunk` bytes, twice as many as the last one up to `maxChunk`, which is
  // also the most the buffer ever holds. Reads go into `buffer` when given, else into the
  // window's own.
  TFileWindow(int fd, uint64_t size, std::size_t firstChunk = 4096, std::size_t maxChunk = 4096,
              TWindowBuffer* buffer = nullptr);
  TFileWindow(const TFileWindow&) = delete;
  TFileWindow& operator=(const TFileWindow&) = delete;

  // The bytes [pos, pos + count), valid until the next call; nullptr when they do not all lie in
  // the file, when `count` exceeds `maxChunk`, or when the read failed (then Error() says why).
  const unsigned char* Get(uint64_t pos, std::size_t count) {
    if (const unsigned char* held = Cached(pos, count)) return held;
    return Refill(pos, count);
  }

  // The bytes [pos, pos + count) when the buffer holds them already, else nullptr; never reads.
  const unsigned char* Cached(uint64_t pos, std::size_t count) const {
    if (pos >= FStart && pos - FStart <= FLength && count <= FLength - (pos - FStart))
      return FBuffer.Data + (pos - FStart);
    return nullptr;
  }

  // Copies the bytes [pos, pos + count) to `target`; false where Get gives nullptr.
  bool Read(uint64_t pos, void* target, std::size_t count);
  // Copies up to `count` bytes at `pos`, fewer where the file ends; returns how many.
  std::size_t ReadUpTo(uint64_t pos, void* target, std::size_t count);

  // Where the caller expects to stop reading: a refill that starts before it reads up to there at
  // once (within `maxChunk`), and no further.
  void Expect(uint64_t end) { FExpectedEnd = end; }

  int Fd() const { return FFd; }
  uint64_t Size() const { return FSize; }
  int Error() const { return FError; }  // errno of the last failed read, 0 when none failed

 private:
  const unsigned char* Refill(uint64_t pos, std::size_t count);

  int FFd;
  uint64_t FSize;
  std::size_t FMaxChunk;
  std::size_t FNextChunk;
  TWindowBuffer FOwn;
  TWindowBuffer& FBuffer;
  std::size_t FLength = 0;
  uint64_t FStart = 0, FExpectedEnd = 0;
  int FError = 0;
};

// Little- and big-endian fields of file formats.
inline uint16_t GetLe16(const unsigned char* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}
inline uint32_t GetLe32(const unsigned char* p) {
  return GetLe16(p) | static_cast<uint32_t>(GetLe16(p + 2)) << 16;
}
inline uint64_t GetLe64(const unsigned char* p) {
  return GetLe32(p) | static_cast<uint64_t>(GetLe32(p + 4)) << 32;
}
inline uint16_t GetBe16(const unsigned char* p) {
  return static_cast<uint16_t>(p[0] << 8 | p[1]);
}
inline uint32_t GetBe32(const unsigned char* p) {
  return static_cast<uint32_t>(GetBe16(p)) << 16 | GetBe16(p + 2);
}
inline uint64_t GetBe64(const unsigned char* p) {
  return static_cast<uint64_t>(GetBe32(p)) << 32 | GetBe32(p + 4);
}
