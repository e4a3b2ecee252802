#include "io/output.h"

FileOutput::~FileOutput() {
  if (file_ != nullptr) std::fclose(file_);
}

void FileOutput::deliver(std::string_view line) {
  if (failed_) return;
  if (std::fwrite(line.data(), 1, line.size(), file_) != line.size()) failed_ = true;
}

bool FileOutput::close() {
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  return closed && !failed_;
}
