#include "FileWindow.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "FileDescriptor.h"

std::size_t TMemoryBudget::Take(std::size_t bytes) {
  bytes = std::min(bytes, FTotal);
  std::unique_lock lock(FLock);
  FGiven.wait(lock, [&] { return FFree >= bytes; });
  FFree -= bytes;
  return bytes;
}

void TMemoryBudget::Give(std::size_t bytes) {
  {
    const std::lock_guard lock(FLock);
    FFree += bytes;
  }
  FGiven.notify_all();
}

void TWindowBuffer::Release() {
  Data.reset();
  Capacity = 0;
  if (Taken != 0) Budget->Give(Taken);
  Taken = 0;
}

void TWindowBuffer::Replace(std::size_t bytes) {
  Release();
  if (Budget) Taken = Budget->Take(bytes);
  try {
    Data = std::make_unique_for_overwrite<unsigned char[]>(bytes);
  } catch (...) {
    Release();
    throw;
  }
  Capacity = bytes;
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
  const ssize_t got = PreadFull(FFd, FBuffer.Data.get(), want, pos);
  if (got < 0) {
    FError = errno;
    FLength = 0;
    return nullptr;
  }
  FLength = static_cast<std::size_t>(got);
  return count <= FLength ? FBuffer.Data.get() : nullptr;  // fewer bytes: the file shrank under us
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
