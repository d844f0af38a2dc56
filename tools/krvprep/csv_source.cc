#include "csv_source.h"

#include <lzma.h>

#include <algorithm>
#include <array>
#include <cctype>

namespace krv::prep {

namespace {
constexpr std::size_t kChunk = 1 << 16;
}  // namespace

bool IsXzName(const std::filesystem::path& path) {
  std::string name = path.filename().string();
  if (name.size() < 3) return false;
  std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
  return name.compare(name.size() - 3, 3, ".xz") == 0;
}

std::string NameWithoutXz(const std::filesystem::path& path) {
  std::string name = path.filename().string();
  return IsXzName(path) ? name.substr(0, name.size() - 3) : name;
}

struct LineReader::XzState {
  lzma_stream stream = LZMA_STREAM_INIT;
  std::array<char, kChunk> input{};
  bool inputDone = false;
  ~XzState() { lzma_end(&stream); }
};

LineReader::LineReader() = default;
LineReader::~LineReader() = default;

bool LineReader::Open(const std::filesystem::path& path) {
  file_.open(path, std::ios::binary);
  if (!file_) {
    error_ = "cannot open the file";
    return false;
  }
  if (IsXzName(path)) {
    xz_ = std::make_unique<XzState>();
    if (lzma_stream_decoder(&xz_->stream, UINT64_MAX, LZMA_CONCATENATED) != LZMA_OK) {
      error_ = "cannot start the xz decoder";
      return false;
    }
  }
  return true;
}

// Appends the next chunk of (decompressed) data to the buffer; false when
// nothing more comes.
bool LineReader::Fill() {
  if (eof_ || !error_.empty()) return false;
  std::array<char, kChunk> out{};
  if (!xz_) {
    file_.read(out.data(), static_cast<std::streamsize>(out.size()));
    const auto got = static_cast<std::size_t>(file_.gcount());
    if (file_.bad()) {
      error_ = "read error";
      return false;
    }
    if (got == 0) {
      eof_ = true;
      return false;
    }
    buffer_.append(out.data(), got);
    return true;
  }
  lzma_stream& s = xz_->stream;
  while (true) {
    if (s.avail_in == 0 && !xz_->inputDone) {
      file_.read(xz_->input.data(), static_cast<std::streamsize>(xz_->input.size()));
      if (file_.bad()) {
        error_ = "read error";
        return false;
      }
      s.next_in = reinterpret_cast<const uint8_t*>(xz_->input.data());
      s.avail_in = static_cast<std::size_t>(file_.gcount());
      if (s.avail_in == 0) xz_->inputDone = true;
    }
    s.next_out = reinterpret_cast<uint8_t*>(out.data());
    s.avail_out = out.size();
    const lzma_ret rc = lzma_code(&s, xz_->inputDone ? LZMA_FINISH : LZMA_RUN);
    const std::size_t got = out.size() - s.avail_out;
    buffer_.append(out.data(), got);
    if (rc == LZMA_STREAM_END) {
      eof_ = true;
      return got > 0;
    }
    if (rc != LZMA_OK) {
      error_ = rc == LZMA_BUF_ERROR ? "truncated xz data" : "damaged xz data";
      return false;
    }
    if (got > 0) return true;
  }
}

bool LineReader::Next(std::string* line) {
  while (true) {
    const std::size_t end = buffer_.find('\n', start_);
    if (end != std::string::npos) {
      line->assign(buffer_, start_, end - start_);
      start_ = end + 1;
      break;
    }
    if (start_ > 0) {
      buffer_.erase(0, start_);
      start_ = 0;
    }
    if (!Fill()) {
      if (!error_.empty() || buffer_.empty()) return false;
      *line = std::move(buffer_);
      buffer_.clear();
      break;
    }
  }
  if (!line->empty() && line->back() == '\r') line->pop_back();
  ++lineNumber_;
  return true;
}

std::vector<std::string> SplitCsvLine(std::string_view line) {
  std::vector<std::string> fields;
  std::string field;
  bool quoted = false;
  bool atStart = true;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c == '"') {
        if (i + 1 < line.size() && line[i + 1] == '"') {
          field.push_back('"');
          ++i;
        } else {
          quoted = false;
        }
      } else {
        field.push_back(c);
      }
      continue;
    }
    if (c == ',') {
      fields.push_back(std::move(field));
      field.clear();
      atStart = true;
      continue;
    }
    if (c == '"' && atStart) {
      quoted = true;
      atStart = false;
      continue;
    }
    field.push_back(c);
    atStart = false;
  }
  fields.push_back(std::move(field));
  return fields;
}

namespace {

// Decompresses (or copies) `from` into `to`, which is created or truncated.
bool WriteDecompressed(const std::filesystem::path& from, const std::filesystem::path& to, std::string* error) {
  std::error_code ec;
  if (!IsXzName(from)) {
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, ec);
    if (ec) *error = ec.message();
    return !ec;
  }
  std::ifstream in(from, std::ios::binary);
  std::ofstream out(to, std::ios::binary | std::ios::trunc);
  if (!in || !out) {
    *error = !in ? "cannot open the file" : "cannot create " + to.string();
    return false;
  }
  lzma_stream s = LZMA_STREAM_INIT;
  if (lzma_stream_decoder(&s, UINT64_MAX, LZMA_CONCATENATED) != LZMA_OK) {
    *error = "cannot start the xz decoder";
    return false;
  }
  std::vector<char> input(kChunk), output(kChunk);
  bool inputDone = false;
  bool ok = true;
  while (true) {
    if (s.avail_in == 0 && !inputDone) {
      in.read(input.data(), static_cast<std::streamsize>(input.size()));
      s.next_in = reinterpret_cast<const uint8_t*>(input.data());
      s.avail_in = static_cast<std::size_t>(in.gcount());
      if (s.avail_in == 0) inputDone = true;
    }
    s.next_out = reinterpret_cast<uint8_t*>(output.data());
    s.avail_out = output.size();
    const lzma_ret rc = lzma_code(&s, inputDone ? LZMA_FINISH : LZMA_RUN);
    out.write(output.data(), static_cast<std::streamsize>(output.size() - s.avail_out));
    if (rc == LZMA_STREAM_END) break;
    if (rc != LZMA_OK) {
      *error = rc == LZMA_BUF_ERROR ? "truncated xz data" : "damaged xz data";
      ok = false;
      break;
    }
  }
  lzma_end(&s);
  out.close();
  if (ok && !out) {
    *error = "cannot write " + to.string();
    ok = false;
  }
  return ok;
}

}  // namespace

bool CopyDecompressed(const std::filesystem::path& from, const std::filesystem::path& to, std::string* error) {
  // Written beside the target and renamed over it when whole, so a damaged
  // or cut source never replaces a good copy with part of a file.
  auto temp = to;
  temp += ".tmp";
  std::error_code ec;
  if (!WriteDecompressed(from, temp, error)) {
    std::filesystem::remove(temp, ec);
    return false;
  }
  std::filesystem::rename(temp, to, ec);
  if (ec) {
    *error = "cannot write " + to.string() + ": " + ec.message();
    std::filesystem::remove(temp, ec);
    return false;
  }
  return true;
}

bool CsvTable::Open(const std::filesystem::path& path) {
  if (!reader_.Open(path)) return false;
  std::string header;
  if (!reader_.Next(&header)) return false;
  if (header.compare(0, 3, "\xEF\xBB\xBF") == 0) header.erase(0, 3);
  const auto names = SplitCsvLine(header);
  width_ = names.size();
  for (std::size_t i = 0; i < names.size(); ++i) columns_.emplace(names[i], static_cast<int>(i));
  return true;
}

int CsvTable::Column(std::string_view name) const {
  const auto it = columns_.find(name);
  return it == columns_.end() ? -1 : it->second;
}

std::string CsvTable::Missing(const std::vector<std::string_view>& names) const {
  std::string missing;
  for (const auto name : names) {
    if (Column(name) >= 0) continue;
    if (!missing.empty()) missing += ", ";
    missing += name;
  }
  return missing;
}

bool CsvTable::Next(std::vector<std::string>* fields) {
  while (reader_.Next(&line_)) {
    if (line_.empty()) continue;
    *fields = SplitCsvLine(line_);
    if (fields->size() < width_) fields->resize(width_);
    return true;
  }
  return false;
}

}  // namespace krv::prep
