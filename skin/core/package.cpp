#include "VeneerPackage.h"

#include <algorithm>
#include <fstream>
#include <functional>
#include <memory>
#include <system_error>

#include "blowfish.h"
#include "code_page.h"
#include "common/byte_io.h"
#include "lzari.h"

namespace fs = std::filesystem;

namespace veneer {
namespace {

const Blowfish& CipherFor(const std::string& key, std::unique_ptr<Blowfish>& holder) {
  const std::string& k = key.empty() ? std::string(kDefaultPackageKey) : key;
  holder = std::make_unique<Blowfish>(reinterpret_cast<const uint8_t*>(k.data()), k.size());
  return *holder;
}

uint32_t GetU32BE(const uint8_t* at) {
  return (uint32_t{at[0]} << 24) | (uint32_t{at[1]} << 16) | (uint32_t{at[2]} << 8) | at[3];
}

void PutU32BE(uint8_t* at, uint32_t v) {
  at[0] = static_cast<uint8_t>(v >> 24);
  at[1] = static_cast<uint8_t>(v >> 16);
  at[2] = static_cast<uint8_t>(v >> 8);
  at[3] = static_cast<uint8_t>(v);
}

void Transform(std::vector<uint8_t>& data, const std::string& key, bool encipher) {
  std::unique_ptr<Blowfish> holder;
  const Blowfish& bf = CipherFor(key, holder);
  for (size_t piece = 0; piece < data.size(); piece += kPackagePiece) {
    size_t length = std::min(kPackagePiece, data.size() - piece);
    for (size_t b = 0; b + 8 <= length; b += 8) {
      uint8_t* block = data.data() + piece + b;
      uint32_t l = GetU32BE(block), r = GetU32BE(block + 4);
      if (encipher) bf.EncryptBlock(l, r); else bf.DecryptBlock(l, r);
      PutU32BE(block, l);
      PutU32BE(block + 4, r);
    }
  }
}

// `name` is UTF-8: bytes of multi-byte characters are all 0x80 or above, so only real
// separators match here (in the code page a trail byte may well be 0x5C).
bool PlainName(const std::string& name) {
  if (name == "." || name == "..") return false;
  for (unsigned char c : name) {
    if (c < 0x20 || c == 0x7F || c == '/' || c == '\\' || c == ':') return false;
  }
  return true;
}

std::string WithoutExtension(const std::string& name) {
  size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (name.empty()) return folder;
  return folder + "/" + name;
}

struct Walker {
  std::function<bool(const std::string&)> onFolder;
  std::function<bool(const std::string&, std::vector<uint8_t>&)> onFile;
  size_t budget;
  UnpackResult result;

  // Reads the records of one package; why they ended early, empty when they ran to the end
  // (or into zero padding).
  std::string Walk(const uint8_t* data, size_t size, const std::string& folder, int depth) {
    size_t at = 0;
    while (at < size) {
      size_t left = size - at;
      if (left < 8) {
        return std::all_of(data + at, data + size, [](uint8_t b) { return b == 0; })
                   ? "" : "short record header";
      }
      uint32_t nameLength = common::GetU32LE(data + at);
      uint32_t dataLength = common::GetU32LE(data + at + 4);
      if (nameLength == 0 || nameLength > kPackageNameMax) {
        bool padding = nameLength == 0 &&
                       std::all_of(data + at, data + size, [](uint8_t b) { return b == 0; });
        return padding ? "" : "bad name length";
      }
      if (dataLength == 0) return "zero data length";
      if (uint64_t{nameLength} + dataLength > left - 8) return "record beyond the end";
      std::string name;
      if (!SystemCodePageToUtf8(std::string(reinterpret_cast<const char*>(data + at + 8), nameLength),
                                &name) ||
          !PlainName(name)) {
        return "bad name";
      }
      const uint8_t* body = data + at + 8 + nameLength;
      at += 8 + size_t{nameLength} + dataLength;

      if (name.find(".vskn") != std::string::npos) {
        std::string stem = WithoutExtension(name);
        if (stem == "." || stem == "..") return "bad name";
        std::string sub = Join(folder, stem);
        // A nested package that ends early costs only its own remaining records.
        if (depth >= kPackageMaxDepth) {
          result.skipped.push_back(sub + ": nested too deep");
          continue;
        }
        if (!onFolder(sub)) {
          ++result.failed;
          continue;
        }
        std::string why = Walk(body, dataLength, sub, depth + 1);
        if (!why.empty()) result.skipped.push_back(sub + ": " + why);
        continue;
      }
      std::vector<uint8_t> expanded;
      if (!LzariExpand(body, dataLength, expanded, nullptr, budget)) {
        ++result.failed;
        continue;
      }
      budget -= expanded.size();
      if (onFile(Join(folder, name), expanded)) ++result.files; else ++result.failed;
    }
    return "";
  }
};

UnpackResult Run(const uint8_t* data, size_t size, Walker& walker) {
  walker.result = UnpackResult{};
  walker.result.stop = walker.Walk(data, size, "", 0);
  walker.result.complete = walker.result.stop.empty() && walker.result.skipped.empty();
  return walker.result;
}

bool WriteFileBytes(const fs::path& path, const std::vector<uint8_t>& data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  return static_cast<bool>(out);
}

fs::path Under(const fs::path& folder, const std::string& relative) {
  fs::path p = folder;
  size_t start = 0;
  while (start <= relative.size()) {
    size_t slash = relative.find('/', start);
    if (slash == std::string::npos) slash = relative.size();
    std::string part = relative.substr(start, slash - start);
    if (!part.empty()) p /= fs::u8path(part);
    start = slash + 1;
  }
  return p;
}

bool AddFolder(const fs::path& folder, const std::string& base, std::vector<uint8_t>& out,
               std::string* error);

bool AddEntry(const fs::directory_entry& entry, const std::string& shown, std::vector<uint8_t>& out,
              std::string* error) {
  std::string name = entry.path().filename().u8string();
  auto fail = [&](const std::string& why) {
    if (error) *error = shown + ": " + why;
    return false;
  };
  std::string stored;  // the name in the system code page, as the record holds it
  if (!PlainName(name) || !Utf8ToSystemCodePage(name, &stored)) return fail("name cannot be stored");
  std::error_code ec;
  if (entry.is_directory(ec)) {
    std::string recordName = stored + ".vskn";
    if (recordName.size() > kPackageNameMax) return fail("name longer than 100 bytes");
    std::vector<uint8_t> nested;
    if (!AddFolder(entry.path(), shown, nested, error)) return false;
    if (nested.empty()) return true;
    AppendPackageRecord(out, recordName, nested);
    return true;
  }
  if (!entry.is_regular_file(ec)) return true;
  if (name.find(".vskn") != std::string::npos) return fail("a file name may not contain .vskn");
  if (stored.size() > kPackageNameMax) return fail("name longer than 100 bytes");
  std::ifstream in(entry.path(), std::ios::binary);
  if (!in) return fail("cannot be read");
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.size() > 0xFFFFFFFFu) return fail("too large");
  AppendPackageRecord(out, stored, LzariCompress(bytes.data(), bytes.size()));
  return true;
}

bool AddFolder(const fs::path& folder, const std::string& base, std::vector<uint8_t>& out,
               std::string* error) {
  std::error_code ec;
  std::vector<fs::directory_entry> entries;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    entries.push_back(*it);
  }
  if (ec) {
    if (error) *error = folder.u8string() + ": " + ec.message();
    return false;
  }
  // Sorted, so the same folder always gives the same package.
  std::sort(entries.begin(), entries.end(),
            [](const fs::directory_entry& a, const fs::directory_entry& b) {
              return a.path().filename().u8string() < b.path().filename().u8string();
            });
  for (const auto& entry : entries) {
    std::string shown = Join(base, entry.path().filename().u8string());
    if (!AddEntry(entry, shown, out, error)) return false;
  }
  return true;
}

}  // namespace

void EncipherPackage(std::vector<uint8_t>& data, const std::string& key) {
  Transform(data, key, true);
}

void DecipherPackage(std::vector<uint8_t>& data, const std::string& key) {
  Transform(data, key, false);
}

void AppendPackageRecord(std::vector<uint8_t>& out, const std::string& name,
                         const std::vector<uint8_t>& data) {
  uint8_t header[8];
  common::PutU32LE(header, static_cast<uint32_t>(name.size()));
  common::PutU32LE(header + 4, static_cast<uint32_t>(data.size()));
  out.insert(out.end(), header, header + 8);
  out.insert(out.end(), name.begin(), name.end());
  out.insert(out.end(), data.begin(), data.end());
}

UnpackResult ReadPackage(const uint8_t* data, size_t size, std::vector<PackageEntry>& entries,
                         size_t expandLimit) {
  Walker walker;
  walker.budget = expandLimit;
  walker.onFolder = [](const std::string&) { return true; };
  walker.onFile = [&](const std::string& path, std::vector<uint8_t>& bytes) {
    entries.push_back(PackageEntry{path, std::move(bytes)});
    return true;
  };
  return Run(data, size, walker);
}

UnpackResult UnpackPackage(const std::vector<uint8_t>& enciphered, const fs::path& folder,
                           const std::string& key) {
  std::vector<uint8_t> plain = enciphered;
  DecipherPackage(plain, key);
  return UnpackPlainPackage(plain, folder);
}

UnpackResult UnpackPlainPackage(const std::vector<uint8_t>& plain, const fs::path& folder) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  Walker walker;
  walker.budget = 256u << 20;
  walker.onFolder = [&](const std::string& relative) {
    try {
      std::error_code e;
      fs::create_directories(Under(folder, relative), e);
      return !e;
    } catch (const std::exception&) {
      return false;
    }
  };
  walker.onFile = [&](const std::string& relative, std::vector<uint8_t>& bytes) {
    try {
      return WriteFileBytes(Under(folder, relative), bytes);
    } catch (const std::exception&) {
      return false;  // a name the file system cannot hold
    }
  };
  try {
    return Run(plain.data(), plain.size(), walker);
  } catch (const std::exception&) {
    UnpackResult r;
    r.stop = "file system";
    return r;
  }
}

UnpackResult UnpackPackageFile(const fs::path& packageFile, const fs::path& folder,
                               const std::string& key) {
  std::ifstream in(packageFile, std::ios::binary);
  if (!in) {
    UnpackResult r;
    r.stop = "cannot open package";
    return r;
  }
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return UnpackPackage(bytes, folder, key);
}

bool BuildPackage(const fs::path& folder, std::vector<uint8_t>& out, std::string* error) {
  out.clear();
  try {
    return AddFolder(folder, "", out, error);
  } catch (const std::exception& e) {
    if (error) *error = e.what();
    return false;
  }
}

}  // namespace veneer
