#pragma once
// Failures travel as exceptions whose message names the file; the window's one guard shows them.
#include <stdexcept>
#include <string>
#include <string_view>

#include "fileio/Message.h"

// what() is the message in English; the window shows `Message` in the user's language.
class EFileError : public std::runtime_error {
 public:
  EFileError(const std::string& fileName, const TMessage& message)
      : std::runtime_error(message.English()), FileName(fileName), Message(message) {}
  std::string FileName;
  TMessage Message;
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
  EInOutError(const std::string& fileName, const TMessage& message, int errorCode)
      : EFileError(fileName, message), ErrorCode(errorCode) {}
  int ErrorCode;
};

// The system's text for an errno value ("Permission denied").
std::string SysErrorMessage(int errorCode);

// The one form of a file error's message: 'Cannot <verb> "<file>": <reason>.' (a full stop
// ending `reason` is not doubled).
std::string FileErrorMessage(std::string_view verb, std::string_view file, std::string_view reason);
// The same as a template: `verb` ("read the archive") is translated as one of the verbs that
// Errors.cpp lists for the translation tools.
TMessage FileError(std::string_view verb, std::string_view file, TMessage reason);

// Running out of memory while reading `file`: an EInOutError (ENOMEM) saying
// 'Cannot read "<file>": not enough memory.', so the user learns which file was too much.
[[noreturn]] void RaiseOutOfMemory(const std::string& file);
// Its reason alone, for a write that ran out of memory.
TMessage NotEnoughMemory();
