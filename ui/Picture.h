#pragma once
// Screenshot loading: the format follows the file's extension; JPEG is decoded by libjpeg.
#include <QImage>
#include <cstddef>
#include <string>

// Raises EFileError (EFOpenError / EInOutError) naming the file when it cannot be read or decoded.
QImage LoadPicture(const std::string& nativePath);

// libjpeg on a file or on bytes in memory; `name` is the file named in an error.
QImage DecodeJpegFile(const std::string& nativePath);
QImage DecodeJpeg(const unsigned char* data, std::size_t size, const std::string& name);
