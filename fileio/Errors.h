#pragma once
// Failures travel as exceptions whose message names the file; the window's one guard shows them.
#include <stdexcept>
#include <string>
#include <string_view>

class EFileError : public std::runtime_error {
 public:
  EFileError(const std::string& fileName, const std::string& message)
      : std::runtime_error(message), FileName(fileName) {}
  std::string FileName;
};

// A file that exists but cannot be opened for reading.
class EFOpenError : public EFileError {
  using EFileError::EFileError;
};

// A file that cannot be created or written.
class EFCreateError : public EFileError {
  using EFileError::EFileError;
};

// A failed read or write of an open file; the message carries the system's error text.
class EInOutError : public EFileError {
 public:
  EInOutError(const std::string& fileName, const std::string& message, int errorCode)
      : EFileError(fileName, message), ErrorCode(errorCode) {}
  int ErrorCode;
};

// The system's text for an errno value ("Permission denied").
std::string SysErrorMessage(int errorCode);

// The one form of a file error's message: 'Cannot <verb> "<file>": <reason>.' (a full stop
// ending `reason` is not doubled).
std::string FileErrorMessage(std::string_view verb, std::string_view file, std::string_view reason);

// Running out of memory while reading `file`: an EInOutError (ENOMEM) saying
// 'Cannot read "<file>": not enough memory.', so the user learns which file was too much.
[[noreturn]] void RaiseOutOfMemory(const std::string& file);
