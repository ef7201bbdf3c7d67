#include "fileio/FileWindow.h"

#include <sys/mman.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "fileio/FileDescriptor.h"

namespace {
// From this size on a buffer is a block of the budget, mapped rather than taken from the heap.
constexpr std::size_t kMappedBytes = std::size_t{1} << 20;

void Unmap(unsigned char* data, std::size_t capacity) {
  if (capacity >= kMappedBytes)
    munmap(data, capacity);
  else
    delete[] data;
}
}  // namespace

TMemoryBudget::~TMemoryBudget() {
  for (const TBlock& block : FKept) Unmap(block.Data, block.Capacity);
}

unsigned char* TMemoryBudget::Take(std::size_t bytes, std::size_t& capacity) {
  const bool large = bytes >= kMappedBytes;
  const std::size_t counted = Counted(bytes);
  std::unique_lock lock(FLock);
  for (;;) {
    // A small buffer comes from the heap while there is room; else, as a large one does first,
    // it is the smallest kept block that is large enough, which is counted already.
    if (large || FFree < counted) {
      auto best = FKept.end();
      for (auto k = FKept.begin(); k != FKept.end(); ++k)
        if (k->Capacity >= bytes && (best == FKept.end() || k->Capacity < best->Capacity)) best = k;
      if (best != FKept.end()) {
        const TBlock block = *best;
        FKept.erase(best);
        capacity = block.Capacity;
        return block.Data;
      }
    }
    std::size_t kept = 0;
    for (const TBlock& block : FKept) kept += Counted(block.Capacity);
    if (FFree + kept >= counted) {
      // Kept blocks too small for this buffer make room for it.
      while (FFree < counted) {
        const TBlock block = FKept.back();
        FKept.pop_back();
        Unmap(block.Data, block.Capacity);
        FFree += Counted(block.Capacity);
      }
      break;
    }
    FGiven.wait(lock);
  }
  FFree -= counted;
  lock.unlock();
  unsigned char* data = nullptr;
  if (large) {
    void* mapped = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped != MAP_FAILED) data = static_cast<unsigned char*>(mapped);
  } else {
    data = new (std::nothrow) unsigned char[bytes];
  }
  if (!data) {
    lock.lock();
    FFree += counted;
    lock.unlock();
    FGiven.notify_all();
    throw std::bad_alloc();
  }
  capacity = bytes;
  return data;
}

void TMemoryBudget::Give(unsigned char* data, std::size_t capacity) {
  if (!data) return;
  {
    const std::lock_guard lock(FLock);
    if (capacity >= kMappedBytes && capacity <= FTotal) {
      FKept.push_back({data, capacity});  // kept blocks stay with the budget until wanted
    } else {
      Unmap(data, capacity);
      FFree += Counted(capacity);
    }
  }
  FGiven.notify_all();
}

void TWindowBuffer::Release() {
  if (Budget)
    Budget->Give(Data, Capacity);
  else
    delete[] Data;
  Data = nullptr;
  Capacity = 0;
}

void TWindowBuffer::Replace(std::size_t bytes) {
  Release();
  if (Budget) {
    Data = Budget->Take(bytes, Capacity);
  } else {
    Data = new unsigned char[bytes];
    Capacity = bytes;
  }
}

TFileWindow::TFileWindow(int fd, uint64_t size, std::size_t firstChunk, std::size_t maxChunk,
                         TWindowBuffer* buffer)
    : FFd(fd),
      FSize(size),
      FMaxChunk(std::max(maxChunk, firstChunk)),
      FNextChunk(firstChunk),
      FBuffer(buffer ? *buffer : FOwn) {}

const unsigned char* TFileWindow::Refill(uint64_t pos, std::size_t count) {
  if (pos > FSize || count > FSize - pos || count > FMaxChunk) return nullptr;
  // Up to where the caller expects to stop when that covers the request (no byte more), else a
  // chunk that grows with each refill.
  uint64_t want = FExpectedEnd > pos && FExpectedEnd - pos >= count
                      ? FExpectedEnd - pos
                      : std::max<uint64_t>(count, FNextChunk);
  want = std::min<uint64_t>({want, FMaxChunk, FSize - pos});
  FNextChunk = std::min(FNextChunk * 2, FMaxChunk);
  if (want > FBuffer.Capacity) FBuffer.Replace(want);  // the old one goes first
  FStart = pos;
  const ssize_t got = PreadFull(FFd, FBuffer.Data, want, pos);
  if (got < 0) {
    FError = errno;
    FLength = 0;
    return nullptr;
  }
  FLength = static_cast<std::size_t>(got);
  return count <= FLength ? FBuffer.Data : nullptr;  // fewer bytes: the file shrank under us
}

bool TFileWindow::Read(uint64_t pos, void* target, std::size_t count) {
  if (count == 0) return pos <= FSize;
  const unsigned char* bytes = Get(pos, count);
  if (!bytes) return false;
  std::memcpy(target, bytes, count);
  return true;
}

std::size_t TFileWindow::ReadUpTo(uint64_t pos, void* target, std::size_t count) {
  if (pos >= FSize) return 0;
  count = static_cast<std::size_t>(std::min<uint64_t>(count, FSize - pos));
  return Read(pos, target, count) ? count : 0;
}
