// Skin packages (".vskn"): an enciphered stream of records, each a 32-bit little-endian name
// length (1 to 100), a 32-bit little-endian data length (non-zero), the name bytes and the
// data bytes. A name containing ".vskn" holds a nested package (plain records) that unpacks
// into a folder named after it without its extension; every other entry is LZARI-compressed.
// Platform-free: used by the program at start-up, by Veneer's tests and by the packer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace veneer {

// The program's package key; packages made for the program are enciphered with it.
inline constexpr char kSkinPackageKey[] = "58204719364028175930462817395046";
// Used when no key is given.
inline constexpr char kDefaultPackageKey[] = "31415926535897932384626433832795";

constexpr size_t kPackageNameMax = 100;
constexpr size_t kPackagePiece = 512;
constexpr int kPackageMaxDepth = 8;

// Blowfish ECB over the data in 512-byte pieces, each 8-byte block as two big-endian halves.
// A tail shorter than one block is left as it is, so the two directions undo each other for
// any length. An empty key means kDefaultPackageKey.
void EncipherPackage(std::vector<uint8_t>& data, const std::string& key);
void DecipherPackage(std::vector<uint8_t>& data, const std::string& key);

struct PackageEntry {
  std::string path;  // relative, '/'-separated, UTF-8; folders of nested packages come first
  std::vector<uint8_t> data;
};

struct UnpackResult {
  size_t files = 0;       // entries delivered
  size_t failed = 0;      // entries whose data did not expand (skipped)
  bool complete = false;  // every package's records ran exactly to their end (or to zero padding)
  std::string stop;       // why the outermost records ended early, empty when they did not
  // Nested packages whose records ended early, as "folder: why"; reading went on after them.
  std::vector<std::string> skipped;
};

// Reads plain (deciphered) records. Names are 8-bit text in the system code page. A record
// whose name length is 0 or above 100, whose data length is 0 or larger than what is left,
// or whose name is not a plain file name (separators, "..", ":", control characters) ends
// the records of its package; for a nested package reading then goes on with the next
// record of the package around it, as it does for a package nested deeper than
// kPackageMaxDepth. Each file's expanded size is bounded by `expandLimit`.
UnpackResult ReadPackage(const uint8_t* data, size_t size, std::vector<PackageEntry>& entries,
                         size_t expandLimit = 64u << 20);

// Deciphers `packageFile` and unpacks it into `folder` (created when missing). Files are
// written as they are read; nothing outside `folder` is touched.
UnpackResult UnpackPackageFile(const std::filesystem::path& packageFile,
                               const std::filesystem::path& folder, const std::string& key);
UnpackResult UnpackPackage(const std::vector<uint8_t>& enciphered,
                           const std::filesystem::path& folder, const std::string& key);
UnpackResult UnpackPlainPackage(const std::vector<uint8_t>& plain,
                                const std::filesystem::path& folder);

// Builds plain records from a folder: files compressed, sub-folders as nested packages.
// Fails (false, `error` set) on a name that cannot be stored; empty folders are left out.
bool BuildPackage(const std::filesystem::path& folder, std::vector<uint8_t>& out,
                  std::string* error);

// One record; used by the builder and by tests that shape packages by hand.
void AppendPackageRecord(std::vector<uint8_t>& out, const std::string& name,
                         const std::vector<uint8_t>& data);

}  // namespace veneer
