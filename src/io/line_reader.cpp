#include "io/line_reader.h"

#include <cstring>

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// A file is read in pieces of this size at least.
constexpr std::size_t kPiece = std::size_t{1} << 16;

}  // namespace

LineReader::LineReader(std::string_view text) : text_(text) { dropByteOrderMark(); }

LineReader::LineReader(std::FILE* file) : file_(file), complete_(false) {
  while (!complete_ && text_.size() < kByteOrderMark.size()) fill();
  dropByteOrderMark();
}

void LineReader::dropByteOrderMark() {
  if (text_.starts_with(kByteOrderMark)) pos_ = kByteOrderMark.size();
}

void LineReader::fill() {
  // The unread bytes move to the front; the buffer grows when they fill it,
  // so that a line always stands whole in it.
  const std::size_t kept = text_.size() - pos_;
  if (kept > 0 && pos_ > 0) std::memmove(buffer_.data(), buffer_.data() + pos_, kept);
  pos_ = 0;
  std::size_t room = buffer_.size() - kept;
  if (room < kPiece / 2) {
    buffer_.resize(std::max(kPiece, 2 * buffer_.size()));
    room = buffer_.size() - kept;
  }
  const std::size_t got = std::fread(buffer_.data() + kept, 1, room, file_);
  if (got < room) {
    // A short read is the end of the file or an error: either way nothing
    // more comes.
    if (std::ferror(file_) != 0) failed_ = true;
    complete_ = got == 0 || std::feof(file_) != 0 || failed_;
  }
  text_ = std::string_view(buffer_.data(), kept + got);
}

std::string_view LineReader::readLine() {
  ++lineNumber_;
  std::string_view line;
  for (std::size_t searched = pos_;;) {
    const std::size_t newline = text_.find('\n', searched);
    if (newline != std::string_view::npos) {
      line = text_.substr(pos_, newline - pos_);
      pos_ = newline + 1;
      break;
    }
    if (complete_) {
      line = text_.substr(pos_);
      pos_ = text_.size();
      atEnd_ = true;
      break;
    }
    const std::size_t scanned = text_.size() - pos_;
    fill();
    searched = pos_ + scanned;
  }
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

void LineReader::echo(std::string_view line, LineOutput& out) const {
  const std::size_t end = static_cast<std::size_t>(line.data() - text_.data()) + line.size();
  if (end < text_.size() && text_[end] == '\n') {
    out.writeWholeLine(text_.substr(end - line.size(), line.size() + 1));
  } else {
    out.writeLine(line);
  }
}
