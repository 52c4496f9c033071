#include "VeneerPackage.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <map>
#include <random>

#include "blowfish.h"
#include "lzari.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;
const std::string kKey = veneer::kSkinPackageKey;

Bytes Random(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes b(n);
  for (auto& x : b) x = static_cast<uint8_t>(rng());
  return b;
}

Bytes Compressed(const std::string& text) {
  return veneer::LzariCompress(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

Bytes Record(const std::string& name, const Bytes& data) {
  Bytes out;
  veneer::AppendPackageRecord(out, name, data);
  return out;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

std::map<std::string, Bytes> Read(const Bytes& plain, veneer::UnpackResult* result = nullptr) {
  std::vector<veneer::PackageEntry> entries;
  veneer::UnpackResult r = veneer::ReadPackage(plain.data(), plain.size(), entries);
  if (result) *result = r;
  std::map<std::string, Bytes> files;
  for (auto& e : entries) files[e.path] = e.data;
  return files;
}

std::map<std::string, Bytes> FilesUnder(const fs::path& root) {
  std::map<std::string, Bytes> files;
  if (!fs::exists(root)) return files;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    if (e.is_regular_file()) files[fs::relative(e.path(), root).generic_string()] = ReadBytes(e.path());
  }
  return files;
}

// ---- cipher ----

TEST(PackageCipher, BothDirectionsUndoEachOtherForAnyLength) {
  for (size_t n = 0; n < 1100; n += 7) {
    Bytes plain = Random(n, static_cast<uint32_t>(n));
    Bytes data = plain;
    veneer::EncipherPackage(data, kKey);
    if (n >= 8) {
      EXPECT_NE(data, plain) << n;
    }
    veneer::DecipherPackage(data, kKey);
    EXPECT_EQ(data, plain) << n;
  }
}

TEST(PackageCipher, BlocksAreBigEndianHalvesInCodebookMode) {
  Bytes data(1030, 0x5A);
  veneer::EncipherPackage(data, kKey);
  veneer::Blowfish bf(reinterpret_cast<const uint8_t*>(kKey.data()), kKey.size());
  uint32_t l = 0x5A5A5A5A, r = 0x5A5A5A5A;
  bf.EncryptBlock(l, r);
  Bytes block = {static_cast<uint8_t>(l >> 24), static_cast<uint8_t>(l >> 16),
                 static_cast<uint8_t>(l >> 8), static_cast<uint8_t>(l),
                 static_cast<uint8_t>(r >> 24), static_cast<uint8_t>(r >> 16),
                 static_cast<uint8_t>(r >> 8), static_cast<uint8_t>(r)};
  // Every whole block, in every 512-byte piece, is the same.
  for (size_t at = 0; at + 8 <= 1024; at += 8) {
    EXPECT_EQ(Bytes(data.begin() + at, data.begin() + at + 8), block) << at;
  }
  // The last piece (6 bytes) holds no whole block and stays as it was.
  EXPECT_EQ(Bytes(data.begin() + 1024, data.end()), Bytes(6, 0x5A));
}

TEST(PackageCipher, PieceTailShorterThanABlockIsKept) {
  Bytes data(512 + 13, 0x11);
  veneer::EncipherPackage(data, kKey);
  EXPECT_EQ(Bytes(data.begin() + 512 + 8, data.end()), Bytes(5, 0x11));
  EXPECT_NE(Bytes(data.begin() + 512, data.begin() + 520), Bytes(8, 0x11));
}

TEST(PackageCipher, EmptyKeyMeansTheDefaultKey) {
  Bytes a = Random(64, 1), b = a;
  veneer::EncipherPackage(a, "");
  veneer::EncipherPackage(b, veneer::kDefaultPackageKey);
  EXPECT_EQ(a, b);
}

// ---- records ----

TEST(PackageRecords, ReadsFilesAndNestedPackages) {
  Bytes inner = Concat({Record("skin.ini", Compressed("[SCREEN]\n")), Record("a.bmp", Compressed("BM..."))});
  Bytes plain = Concat({Record("skins.ini", Compressed("[Dialog]\n")), Record("images.vskn", inner),
                        Record("default.xml", Compressed("<skin/>"))});
  veneer::UnpackResult r;
  auto files = Read(plain, &r);
  EXPECT_TRUE(r.complete);
  EXPECT_EQ(r.files, 4u);
  EXPECT_EQ(files.size(), 4u);
  EXPECT_EQ(files["images/skin.ini"], Bytes({'[', 'S', 'C', 'R', 'E', 'E', 'N', ']', '\n'}));
  EXPECT_EQ(files["default.xml"].size(), 7u);
}

TEST(PackageRecords, NameLengthZeroOrAboveHundredEndsReading) {
  Bytes first = Record("one.txt", Compressed("1"));
  Bytes last = Record("two.txt", Compressed("2"));
  Bytes zeroName = {0, 0, 0, 0, 5, 0, 0, 0, 1, 2, 3, 4, 5};
  Bytes longName = Record(std::string(101, 'n'), Compressed("x"));
  Bytes justHundred = Record(std::string(100, 'h'), Compressed("x"));
  for (const Bytes& bad : {zeroName, longName}) {
    veneer::UnpackResult r;
    auto files = Read(Concat({first, bad, last}), &r);
    EXPECT_EQ(files.size(), 1u);
    EXPECT_TRUE(files.count("one.txt"));
    EXPECT_FALSE(r.complete);
  }
  EXPECT_EQ(Read(Concat({first, justHundred, last})).size(), 3u);
}

TEST(PackageRecords, DataLengthZeroEndsReading) {
  Bytes empty = {3, 0, 0, 0, 0, 0, 0, 0, 'a', 'b', 'c'};
  veneer::UnpackResult r;
  auto files = Read(Concat({Record("one.txt", Compressed("1")), empty, Record("two.txt", Compressed("2"))}), &r);
  EXPECT_EQ(files.size(), 1u);
  EXPECT_EQ(r.stop, "zero data length");
}

TEST(PackageRecords, LengthBeyondTheFileEndsReadingWithoutAllocating) {
  Bytes plain = Record("one.txt", Compressed("1"));
  Bytes liar = {4, 0, 0, 0, 0xF0, 0xFF, 0xFF, 0x7F, 'h', 'u', 'g', 'e', 1, 2, 3};
  veneer::UnpackResult r;
  auto files = Read(Concat({plain, liar}), &r);
  EXPECT_EQ(files.size(), 1u);
  EXPECT_EQ(r.stop, "record beyond the end");
}

TEST(PackageRecords, ZeroPaddingAfterTheLastRecordIsACleanEnd) {
  veneer::UnpackResult r;
  auto files = Read(Concat({Record("one.txt", Compressed("1")), Bytes(7, 0)}), &r);
  EXPECT_EQ(files.size(), 1u);
  EXPECT_TRUE(r.complete);
}

TEST(PackageRecords, NamesThatLeaveTheFolderEndReading) {
  for (std::string bad : std::vector<std::string>{"../evil.txt", "a/b.txt", "a\\b.txt", "c:x.txt", "..", "...vskn", "..vskn",
                          std::string("tab\tname"), std::string("del\x7F")}) {
    veneer::UnpackResult r;
    auto files = Read(Concat({Record("ok.txt", Compressed("1")), Record(bad, Compressed("2"))}), &r);
    EXPECT_EQ(files.size(), 1u) << bad;
    EXPECT_EQ(r.stop, "bad name") << bad;
  }
}

TEST(PackageRecords, CorruptEntryIsSkippedAndReadingGoesOn) {
  Bytes broken = {0xFF, 0xFF, 0x00, 0x00, 0x01};
  veneer::UnpackResult r;
  auto files = Read(Concat({Record("bad.bin", broken), Record("good.txt", Compressed("fine"))}), &r);
  EXPECT_EQ(files.size(), 1u);
  EXPECT_TRUE(files.count("good.txt"));
  EXPECT_EQ(r.failed, 1u);
  EXPECT_TRUE(r.complete);
}

TEST(PackageRecords, NestingDeeperThanTheLimitIsSkipped) {
  Bytes level = Record("leaf.txt", Compressed("leaf"));
  for (int i = 0; i < 20; ++i) level = Record("n" + std::to_string(i) + ".vskn", level);
  veneer::UnpackResult r;
  auto files = Read(Concat({level, Record("after.txt", Compressed("after"))}), &r);
  EXPECT_EQ(files.size(), 1u);
  EXPECT_TRUE(files.count("after.txt"));
  EXPECT_EQ(r.stop, "");
  ASSERT_EQ(r.skipped.size(), 1u);
  EXPECT_EQ(r.skipped[0], "n19/n18/n17/n16/n15/n14/n13/n12/n11: nested too deep");
  EXPECT_FALSE(r.complete);

  Bytes shallow = Record("leaf.txt", Compressed("leaf"));
  for (int i = 0; i < veneer::kPackageMaxDepth; ++i) shallow = Record("d.vskn", shallow);
  EXPECT_EQ(Read(shallow).size(), 1u);
}

TEST(PackageRecords, NestedPackageThatEndsLeavesTheOuterOneGoing) {
  const Bytes before = Record("before.txt", Compressed("1"));
  const Bytes after = Record("after.txt", Compressed("2"));
  // Zero padding ends the nested records cleanly.
  Bytes padded = Concat({Record("x.txt", Compressed("x")), Bytes(13, 0)});
  veneer::UnpackResult r;
  auto files = Read(Concat({before, Record("pad.vskn", padded), after}), &r);
  EXPECT_EQ(files.size(), 3u);
  EXPECT_TRUE(files.count("pad/x.txt"));
  EXPECT_TRUE(files.count("after.txt"));
  EXPECT_TRUE(r.complete);
  EXPECT_TRUE(r.skipped.empty());

  // Damage inside a nested package costs only the rest of that package.
  const Bytes longName = Record(std::string(101, 'n'), Compressed("y"));
  const Bytes badName = Record("../up.txt", Compressed("y"));
  const Bytes zeroData = {3, 0, 0, 0, 0, 0, 0, 0, 'a', 'b', 'c'};
  struct Case { Bytes damage; const char* why; };
  for (const Case& c : {Case{longName, "bad name length"}, Case{badName, "bad name"},
                        Case{zeroData, "zero data length"}}) {
    Bytes inner = Concat({Record("x.txt", Compressed("x")), c.damage, Record("lost.txt", Compressed("z"))});
    Bytes deeper = Concat({Record("y.txt", Compressed("y")), Record("in.vskn", inner)});
    files = Read(Concat({before, Record("sub.vskn", deeper), after}), &r);
    EXPECT_EQ(files.size(), 4u) << c.why;
    EXPECT_TRUE(files.count("sub/in/x.txt")) << c.why;
    EXPECT_TRUE(files.count("sub/y.txt")) << c.why;
    EXPECT_FALSE(files.count("sub/in/lost.txt")) << c.why;
    EXPECT_TRUE(files.count("after.txt")) << c.why;
    EXPECT_EQ(r.stop, "") << c.why;
    EXPECT_EQ(r.skipped, std::vector<std::string>{std::string("sub/in: ") + c.why});
    EXPECT_FALSE(r.complete);
  }
}

// Names are bytes in the system code page; the Windows tests run with code page 936.
bool SystemCodePageIsGbk() {
#ifdef _WIN32
  return GetACP() == 936;
#else
  return true;
#endif
}

TEST(PackageRecords, NamesAreConvertedFromTheSystemCodePage) {
  if (!SystemCodePageIsGbk()) GTEST_SKIP() << "needs code page 936";
  veneer::UnpackResult r;
  // "中文.txt", and "昞.bmp" whose second byte is 0x5C, the value of a backslash.
  auto files = Read(Concat({Record("\xD6\xD0\xCE\xC4.txt", Compressed("zw")),
                            Record("\x95\x5C.bmp", Compressed("bm"))}), &r);
  EXPECT_TRUE(r.complete) << r.stop;
  EXPECT_EQ(files.size(), 2u);
  EXPECT_TRUE(files.count("\xE4\xB8\xAD\xE6\x96\x87.txt"));
  EXPECT_TRUE(files.count("\xE6\x98\x9E.bmp"));
  // A lead byte without its trail byte is no name in the code page.
  files = Read(Concat({Record("ok.txt", Compressed("1")), Record("ab\x81", Compressed("2"))}), &r);
  EXPECT_EQ(files.size(), 1u);
  EXPECT_EQ(r.stop, "bad name");
}

TEST(PackageRecords, TruncatedAtEveryLengthEndsCleanly) {
  Bytes inner = Concat({Record("x.txt", Compressed("xxxxxxxxxxxxxxxxxxxx")), Record("y.bin", veneer::LzariCompress(Random(300, 2).data(), 300))});
  Bytes plain = Concat({Record("a.txt", Compressed("alpha")), Record("sub.vskn", inner),
                        Record("b.txt", Compressed("beta beta beta"))});
  auto whole = Read(plain);
  ASSERT_EQ(whole.size(), 4u);
  for (size_t cut = 0; cut < plain.size(); ++cut) {
    Bytes part(plain.begin(), plain.begin() + cut);
    veneer::UnpackResult r;
    auto files = Read(part, &r);
    EXPECT_LE(files.size(), 4u);
    for (auto& [name, data] : files) {
      ASSERT_TRUE(whole.count(name)) << name;
      EXPECT_EQ(data, whole[name]) << name << " cut " << cut;
    }
  }
}

TEST(PackageRecords, RandomDamageNeverCrashes) {
  Bytes inner = Record("x.txt", Compressed("the quick brown fox"));
  Bytes plain = Concat({Record("a.txt", Compressed("alpha")), Record("sub.vskn", inner),
                        Record("b.bin", veneer::LzariCompress(Random(2000, 4).data(), 2000))});
  std::mt19937 rng(9);
  for (int round = 0; round < 3000; ++round) {
    Bytes broken = plain;
    int flips = 1 + static_cast<int>(rng() % 4);
    for (int i = 0; i < flips; ++i) broken[rng() % broken.size()] = static_cast<uint8_t>(rng());
    std::vector<veneer::PackageEntry> entries;
    veneer::UnpackResult r = veneer::ReadPackage(broken.data(), broken.size(), entries, 1 << 20);
    EXPECT_LE(entries.size(), 8u);
    for (const auto& e : entries) EXPECT_LE(e.data.size(), size_t{1} << 20);
    (void)r;
  }
  for (int round = 0; round < 500; ++round) {
    Bytes junk = Random(rng() % 600, static_cast<uint32_t>(round));
    std::vector<veneer::PackageEntry> entries;
    veneer::ReadPackage(junk.data(), junk.size(), entries, 1 << 20);
  }
}

// ---- folders ----

// Wine maps file names through the host's locale, which may hold ASCII only.
bool ChineseFileNamesWork(const fs::path& folder) {
  std::error_code ec;
  fs::path probe = folder / fs::u8path("\xE8\xAF\x95");  // "试"
  bool made = fs::create_directories(probe, ec) && !ec;
  fs::remove(probe, ec);
  return made;
}

class PackageFolders : public ::testing::Test {
 protected:
  void SetUp() override {
    src_ = tmp_.path() / "src";
    WriteText(src_ / "skins.ini", "[Dialog]\r\nBgColor=16777215\r\n");
    WriteText(src_ / "default.xml", "<?xml version=\"1.0\"?><skin/>");
    WriteBytes(src_ / "empty.dat", {});
    WriteBytes(src_ / "random.bin", Random(70000, 42));
    WriteBytes(src_ / "images" / "bg.bmp", Random(5000, 43));
    WriteText(src_ / "images" / "skin.ini", "[SCREEN]\r\nbackground0=bg.bmp\r\n");
    WriteBytes(src_ / "images" / "anim" / "frame.png", Random(900, 44));
    fs::create_directories(src_ / "nothing_here");
  }

  TempDir tmp_;
  fs::path src_;
};

TEST_F(PackageFolders, PackThenUnpackReproducesEveryFile) {
  Bytes package;
  std::string error;
  ASSERT_TRUE(veneer::BuildPackage(src_, package, &error)) << error;
  veneer::EncipherPackage(package, kKey);
  veneer::UnpackResult r = veneer::UnpackPackage(package, tmp_.path() / "out", kKey);
  EXPECT_TRUE(r.complete) << r.stop;
  EXPECT_EQ(r.failed, 0u);
  EXPECT_EQ(r.files, 7u);
  auto expected = FilesUnder(src_);
  auto got = FilesUnder(tmp_.path() / "out");
  EXPECT_EQ(got, expected);
  EXPECT_TRUE(got.count("images/anim/frame.png"));
  EXPECT_FALSE(fs::exists(tmp_.path() / "out" / "nothing_here"));
}

TEST_F(PackageFolders, PackageFileRoundTripThroughDisk) {
  Bytes package;
  ASSERT_TRUE(veneer::BuildPackage(src_, package, nullptr));
  package.resize((package.size() + 7) / 8 * 8, 0);
  veneer::EncipherPackage(package, kKey);
  // A user folder named in Chinese ("用户") holds the package and the unpacked files.
  const fs::path user = ChineseFileNamesWork(tmp_.path()) ? tmp_.path() / fs::u8path("\xE7\x94\xA8\xE6\x88\xB7")
                                                          : tmp_.path() / "user";
  WriteBytes(user / "rara_hard.vskn", package);
  veneer::UnpackResult r = veneer::UnpackPackageFile(user / "rara_hard.vskn", user / "deep" / "skins", kKey);
  EXPECT_TRUE(r.complete) << r.stop;
  EXPECT_EQ(r.failed, 0u);
  EXPECT_EQ(FilesUnder(user / "deep" / "skins"), FilesUnder(src_));
}

TEST_F(PackageFolders, WrongKeyUnpacksNothing) {
  Bytes package;
  ASSERT_TRUE(veneer::BuildPackage(src_, package, nullptr));
  veneer::EncipherPackage(package, kKey);
  veneer::UnpackResult r = veneer::UnpackPackage(package, tmp_.path() / "out", "11111111111111111111111111111111");
  EXPECT_EQ(r.files, 0u);
  EXPECT_FALSE(r.complete);
  EXPECT_TRUE(FilesUnder(tmp_.path() / "out").empty());
}

TEST_F(PackageFolders, MissingPackageFileWritesNothing) {
  veneer::UnpackResult r = veneer::UnpackPackageFile(tmp_.path() / "absent.vskn", tmp_.path() / "out", kKey);
  EXPECT_EQ(r.files, 0u);
  EXPECT_FALSE(r.complete);
}

TEST_F(PackageFolders, TruncatedPackageWritesOnlyWholeFiles) {
  Bytes package;
  ASSERT_TRUE(veneer::BuildPackage(src_, package, nullptr));
  auto expected = FilesUnder(src_);
  veneer::EncipherPackage(package, kKey);
  for (size_t cut : {size_t{0}, size_t{5}, package.size() / 3, package.size() / 2, package.size() - 1}) {
    Bytes part(package.begin(), package.begin() + cut);
    fs::path out = tmp_.path() / ("cut" + std::to_string(cut));
    veneer::UnpackPackage(part, out, kKey);
    for (auto& [name, data] : FilesUnder(out)) {
      ASSERT_TRUE(expected.count(name)) << name;
      EXPECT_EQ(data, expected[name]) << name;
    }
  }
}

TEST_F(PackageFolders, NamesThatCannotBeStoredAreRefused) {
  WriteText(src_ / "inner.vskn", "not a folder");
  Bytes package;
  std::string error;
  EXPECT_FALSE(veneer::BuildPackage(src_, package, &error));
  EXPECT_NE(error.find("inner.vskn"), std::string::npos);
  fs::remove(src_ / "inner.vskn");
  WriteText(src_ / std::string(101, 'L'), "long");
  EXPECT_FALSE(veneer::BuildPackage(src_, package, &error));
}

TEST_F(PackageFolders, NamesAreStoredInTheSystemCodePage) {
  if (!SystemCodePageIsGbk()) GTEST_SKIP() << "needs code page 936";
  if (!ChineseFileNamesWork(tmp_.path())) GTEST_SKIP() << "the file system here takes ASCII names only";
  fs::path only = tmp_.path() / "cn";
  WriteText(only / fs::u8path("\xE4\xB8\xAD\xE6\x96\x87.txt"), "zw");
  Bytes package;
  std::string error;
  ASSERT_TRUE(veneer::BuildPackage(only, package, &error)) << error;
  ASSERT_GE(package.size(), 16u);
  EXPECT_EQ(Bytes(package.begin(), package.begin() + 4), (Bytes{8, 0, 0, 0}));
  EXPECT_EQ(Bytes(package.begin() + 8, package.begin() + 16),
            (Bytes{0xD6, 0xD0, 0xCE, 0xC4, '.', 't', 'x', 't'}));
  veneer::UnpackResult r = veneer::UnpackPlainPackage(package, tmp_.path() / "cn_out");
  EXPECT_TRUE(r.complete) << r.stop;
  EXPECT_EQ(ReadBytes(tmp_.path() / "cn_out" / fs::u8path("\xE4\xB8\xAD\xE6\x96\x87.txt")),
            (Bytes{'z', 'w'}));
}

TEST_F(PackageFolders, SamePackageEveryTime) {
  Bytes a, b;
  ASSERT_TRUE(veneer::BuildPackage(src_, a, nullptr));
  ASSERT_TRUE(veneer::BuildPackage(src_, b, nullptr));
  EXPECT_EQ(a, b);
}

}  // namespace
