// Command-line packer for skin packages: packs a folder (sub-folders become nested packages),
// unpacks or lists a package. Packages are enciphered with the program's key unless told.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "VeneerPackage.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: veneer_skinpack pack <folder> <package.vskn> [--key DIGITS | --plain]\n"
               "       veneer_skinpack unpack <package.vskn> <folder> [--key DIGITS | --plain]\n"
               "       veneer_skinpack list <package.vskn> [--key DIGITS | --plain]\n"
               "The key is 32 decimal digits; the program's key is the default.\n");
  return 2;
}

bool ValidKey(const std::string& key) {
  if (key.size() != 32) return false;
  for (char c : key) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

bool ReadAll(const char* path, std::vector<uint8_t>& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

void Report(const veneer::UnpackResult& r) {
  std::printf("%zu files, %zu failed%s%s\n", r.files, r.failed, r.stop.empty() ? "" : ", stopped: ",
              r.stop.c_str());
  for (const std::string& skipped : r.skipped) std::printf("skipped the rest of %s\n", skipped.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  std::string command = argv[1];
  std::vector<std::string> positional;
  std::string key = veneer::kSkinPackageKey;
  bool plain = false;
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--plain") == 0) {
      plain = true;
    } else if (std::strcmp(argv[i], "--key") == 0 && i + 1 < argc) {
      key = argv[++i];
    } else {
      positional.emplace_back(argv[i]);
    }
  }
  if (!plain && !ValidKey(key)) {
    std::fprintf(stderr, "veneer_skinpack: the key must be 32 decimal digits\n");
    return 2;
  }

  if (command == "pack" && positional.size() == 2) {
    std::vector<uint8_t> package;
    std::string error;
    if (!veneer::BuildPackage(positional[0], package, &error)) {
      std::fprintf(stderr, "veneer_skinpack: %s\n", error.c_str());
      return 1;
    }
    if (!plain) {
      // Zero padding reads as the end of the records and lets every byte be enciphered.
      package.resize((package.size() + 7) / 8 * 8, 0);
      veneer::EncipherPackage(package, key);
    }
    std::ofstream out(positional[1], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(package.data()), static_cast<std::streamsize>(package.size()));
    if (!out) {
      std::fprintf(stderr, "veneer_skinpack: cannot write %s\n", positional[1].c_str());
      return 1;
    }
    return 0;
  }

  if ((command == "unpack" && positional.size() == 2) || (command == "list" && positional.size() == 1)) {
    std::vector<uint8_t> bytes;
    if (!ReadAll(positional[0].c_str(), bytes)) {
      std::fprintf(stderr, "veneer_skinpack: cannot read %s\n", positional[0].c_str());
      return 1;
    }
    if (!plain) veneer::DecipherPackage(bytes, key);
    veneer::UnpackResult r;
    if (command == "unpack") {
      r = veneer::UnpackPlainPackage(bytes, positional[1]);
    } else {
      std::vector<veneer::PackageEntry> entries;
      r = veneer::ReadPackage(bytes.data(), bytes.size(), entries);
      for (const auto& e : entries) std::printf("%10zu  %s\n", e.data.size(), e.path.c_str());
    }
    Report(r);
    return r.complete && r.failed == 0 ? 0 : 1;
  }
  return Usage();
}
