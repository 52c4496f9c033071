#include "lzari.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "common/byte_io.h"

namespace veneer {
namespace {

constexpr int N = 4096;
constexpr int F = 60;
constexpr int THRESHOLD = 2;
constexpr int NIL = N;
constexpr int M = 15;
constexpr uint32_t Q1 = 1u << M;
constexpr uint32_t Q2 = 2 * Q1;
constexpr uint32_t Q3 = 3 * Q1;
constexpr uint32_t Q4 = 4 * Q1;
constexpr uint32_t MAX_CUM = Q1 - 1;
constexpr int N_CHAR = 256 - THRESHOLD + F;
// The decoder reads M + 2 bits ahead while the encoder ends with two bits and a 7-bit
// flush, so a valid stream is never read more than 15 bits past its end.
constexpr size_t kOverreadBits = 16;

// Adaptive frequency model shared by both directions.
struct Model {
  int charToSym[N_CHAR];
  int symToChar[N_CHAR + 1];
  uint32_t symFreq[N_CHAR + 1];
  uint32_t symCum[N_CHAR + 1];
  uint32_t positionCum[N + 1];

  Model() {
    symCum[N_CHAR] = 0;
    for (int sym = N_CHAR; sym >= 1; --sym) {
      int ch = sym - 1;
      charToSym[ch] = sym;
      symToChar[sym] = ch;
      symFreq[sym] = 1;
      symCum[sym - 1] = symCum[sym] + symFreq[sym];
    }
    symFreq[0] = 0;
    positionCum[N] = 0;
    for (int i = N; i >= 1; --i) positionCum[i - 1] = positionCum[i] + 10000 / (i + 200);
  }

  void Update(int sym) {
    if (symCum[0] >= MAX_CUM) {
      uint32_t c = 0;
      for (int i = N_CHAR; i > 0; --i) {
        symCum[i] = c;
        c += (symFreq[i] = (symFreq[i] + 1) >> 1);
      }
      symCum[0] = c;
    }
    int i = sym;
    while (symFreq[i] == symFreq[i - 1]) --i;
    if (i < sym) {
      int chI = symToChar[i];
      int chSym = symToChar[sym];
      symToChar[i] = chSym;
      symToChar[sym] = chI;
      charToSym[chI] = sym;
      charToSym[chSym] = i;
    }
    symFreq[i]++;
    while (--i >= 0) symCum[i]++;
  }

  int SearchSym(uint32_t x) const {
    int i = 1, j = N_CHAR;
    while (i < j) {
      int k = (i + j) / 2;
      if (symCum[k] > x) i = k + 1; else j = k;
    }
    return i;
  }

  int SearchPos(uint32_t x) const {
    int i = 1, j = N;
    while (i < j) {
      int k = (i + j) / 2;
      if (positionCum[k] > x) i = k + 1; else j = k;
    }
    return i - 1;
  }
};

class Encoder {
 public:
  std::vector<uint8_t> Run(const uint8_t* data, size_t size) {
    out_.assign(4, 0);
    common::PutU32LE(out_.data(), static_cast<uint32_t>(size));
    if (size == 0) return out_;
    in_ = data;
    inSize_ = size;
    InitTree();
    int s = 0, r = N - F;
    std::memset(text_, ' ', r);
    int len = 0;
    for (; len < F && inPos_ < inSize_; ++len) text_[r + len] = in_[inPos_++];
    for (int i = 1; i <= F; ++i) InsertNode(r - i);
    InsertNode(r);
    do {
      if (matchLength_ > len) matchLength_ = len;
      if (matchLength_ <= THRESHOLD) {
        matchLength_ = 1;
        EncodeChar(text_[r]);
      } else {
        EncodeChar(255 - THRESHOLD + matchLength_);
        EncodePosition(matchPosition_ - 1);
      }
      int last = matchLength_;
      int i = 0;
      for (; i < last && inPos_ < inSize_; ++i) {
        uint8_t c = in_[inPos_++];
        DeleteNode(s);
        text_[s] = c;
        if (s < F - 1) text_[s + N] = c;
        s = (s + 1) & (N - 1);
        r = (r + 1) & (N - 1);
        InsertNode(r);
      }
      while (i++ < last) {
        DeleteNode(s);
        s = (s + 1) & (N - 1);
        r = (r + 1) & (N - 1);
        if (--len) InsertNode(r);
      }
    } while (len > 0);
    shifter_++;
    Output(low_ < Q1 ? 0 : 1);
    for (int i = 0; i < 7; ++i) PutBit(0);
    return out_;
  }

 private:
  void InitTree() {
    for (int i = N + 1; i <= N + 256; ++i) rson_[i] = NIL;
    for (int i = 0; i < N; ++i) dad_[i] = NIL;
  }

  void InsertNode(int r) {
    int cmp = 1;
    const uint8_t* key = &text_[r];
    int p = N + 1 + key[0];
    rson_[r] = lson_[r] = NIL;
    matchLength_ = 0;
    for (;;) {
      if (cmp >= 0) {
        if (rson_[p] != NIL) {
          p = rson_[p];
        } else {
          rson_[p] = r;
          dad_[r] = p;
          return;
        }
      } else {
        if (lson_[p] != NIL) {
          p = lson_[p];
        } else {
          lson_[p] = r;
          dad_[r] = p;
          return;
        }
      }
      int i = 1;
      for (; i < F; ++i) {
        if ((cmp = key[i] - text_[p + i]) != 0) break;
      }
      if (i > THRESHOLD) {
        if (i > matchLength_) {
          matchPosition_ = (r - p) & (N - 1);
          if ((matchLength_ = i) >= F) break;
        } else if (i == matchLength_) {
          int temp = (r - p) & (N - 1);
          if (temp < matchPosition_) matchPosition_ = temp;
        }
      }
    }
    dad_[r] = dad_[p];
    lson_[r] = lson_[p];
    rson_[r] = rson_[p];
    dad_[lson_[p]] = r;
    dad_[rson_[p]] = r;
    if (rson_[dad_[p]] == p) rson_[dad_[p]] = r; else lson_[dad_[p]] = r;
    dad_[p] = NIL;
  }

  void DeleteNode(int p) {
    if (dad_[p] == NIL) return;
    int q;
    if (rson_[p] == NIL) {
      q = lson_[p];
    } else if (lson_[p] == NIL) {
      q = rson_[p];
    } else {
      q = lson_[p];
      if (rson_[q] != NIL) {
        do { q = rson_[q]; } while (rson_[q] != NIL);
        rson_[dad_[q]] = lson_[q];
        dad_[lson_[q]] = dad_[q];
        lson_[q] = lson_[p];
        dad_[lson_[p]] = q;
      }
      rson_[q] = rson_[p];
      dad_[rson_[p]] = q;
    }
    dad_[q] = dad_[p];
    if (rson_[dad_[p]] == p) rson_[dad_[p]] = q; else lson_[dad_[p]] = q;
    dad_[p] = NIL;
  }

  void PutBit(int bit) {
    if (bit) bitBuffer_ |= bitMask_;
    if ((bitMask_ >>= 1) == 0) {
      out_.push_back(static_cast<uint8_t>(bitBuffer_));
      bitBuffer_ = 0;
      bitMask_ = 128;
    }
  }

  void Output(int bit) {
    PutBit(bit);
    for (; shifter_ > 0; --shifter_) PutBit(!bit);
  }

  void Narrow() {
    for (;;) {
      if (high_ <= Q2) {
        Output(0);
      } else if (low_ >= Q2) {
        Output(1);
        low_ -= Q2;
        high_ -= Q2;
      } else if (low_ >= Q1 && high_ <= Q3) {
        shifter_++;
        low_ -= Q1;
        high_ -= Q1;
      } else {
        break;
      }
      low_ += low_;
      high_ += high_;
    }
  }

  void EncodeChar(int ch) {
    int sym = model_.charToSym[ch];
    uint64_t range = high_ - low_;
    high_ = low_ + static_cast<uint32_t>(range * model_.symCum[sym - 1] / model_.symCum[0]);
    low_ += static_cast<uint32_t>(range * model_.symCum[sym] / model_.symCum[0]);
    Narrow();
    model_.Update(sym);
  }

  void EncodePosition(int position) {
    uint64_t range = high_ - low_;
    high_ = low_ + static_cast<uint32_t>(range * model_.positionCum[position] / model_.positionCum[0]);
    low_ += static_cast<uint32_t>(range * model_.positionCum[position + 1] / model_.positionCum[0]);
    Narrow();
  }

  const uint8_t* in_ = nullptr;
  size_t inSize_ = 0;
  size_t inPos_ = 0;
  std::vector<uint8_t> out_;
  uint8_t text_[N + F - 1] = {};
  int lson_[N + 1];
  int rson_[N + 257];
  int dad_[N + 1];
  int matchPosition_ = 0;
  int matchLength_ = 0;
  Model model_;
  uint32_t low_ = 0, high_ = Q4;
  uint32_t shifter_ = 0;
  uint32_t bitBuffer_ = 0, bitMask_ = 128;
};

class Decoder {
 public:
  Decoder(const uint8_t* in, size_t size) : in_(in), size_(size) {}

  bool Run(uint32_t textSize, std::vector<uint8_t>& out, std::string* error) {
    for (int i = 0; i < M + 2; ++i) value_ = 2 * value_ + GetBit();
    uint8_t text[N];
    std::memset(text, ' ', N - F);
    std::memset(text + N - F, 0, F);
    int r = N - F;
    out.reserve(std::min<size_t>(textSize, size_ * 8 + 1024));
    size_t count = 0;
    while (count < textSize) {
      int c = DecodeChar();
      if (c < 0 || Overread()) break;
      if (c < 256) {
        out.push_back(static_cast<uint8_t>(c));
        text[r++] = static_cast<uint8_t>(c);
        r &= N - 1;
        ++count;
      } else {
        int pos = DecodePosition();
        if (pos < 0 || Overread()) break;
        int i = (r - pos - 1) & (N - 1);
        int j = c - 255 + THRESHOLD;
        for (int k = 0; k < j && count < textSize; ++k) {
          uint8_t b = text[(i + k) & (N - 1)];
          out.push_back(b);
          text[r++] = b;
          r &= N - 1;
          ++count;
        }
      }
    }
    if (count == textSize) return true;
    if (error) *error = "Read Error";
    return false;
  }

 private:
  int GetBit() {
    size_t byte = bitPos_ >> 3;
    int bit = 0;
    if (byte < size_) bit = (in_[byte] >> (7 - (bitPos_ & 7))) & 1;
    ++bitPos_;
    return bit;
  }

  bool Overread() const { return bitPos_ > size_ * 8 + kOverreadBits; }

  // Returns false when the coder state leaves its invariant (corrupt stream).
  bool Narrow() {
    for (;;) {
      if (low_ >= Q2) {
        value_ -= Q2;
        low_ -= Q2;
        high_ -= Q2;
      } else if (low_ >= Q1 && high_ <= Q3) {
        value_ -= Q1;
        low_ -= Q1;
        high_ -= Q1;
      } else if (high_ > Q2) {
        break;
      }
      low_ += low_;
      high_ += high_;
      value_ = 2 * value_ + GetBit();
    }
    return value_ >= low_ && value_ < high_;
  }

  int DecodeChar() {
    if (value_ < low_ || value_ >= high_) return -1;
    uint64_t range = high_ - low_;
    uint64_t x = ((uint64_t{value_} - low_ + 1) * model_.symCum[0] - 1) / range;
    int sym = model_.SearchSym(static_cast<uint32_t>(x));
    high_ = low_ + static_cast<uint32_t>(range * model_.symCum[sym - 1] / model_.symCum[0]);
    low_ += static_cast<uint32_t>(range * model_.symCum[sym] / model_.symCum[0]);
    if (!Narrow()) return -1;
    int ch = model_.symToChar[sym];
    model_.Update(sym);
    return ch;
  }

  int DecodePosition() {
    if (value_ < low_ || value_ >= high_) return -1;
    uint64_t range = high_ - low_;
    uint64_t x = ((uint64_t{value_} - low_ + 1) * model_.positionCum[0] - 1) / range;
    int position = model_.SearchPos(static_cast<uint32_t>(x));
    high_ = low_ + static_cast<uint32_t>(range * model_.positionCum[position] / model_.positionCum[0]);
    low_ += static_cast<uint32_t>(range * model_.positionCum[position + 1] / model_.positionCum[0]);
    if (!Narrow()) return -1;
    return position;
  }

  const uint8_t* in_;
  size_t size_;
  size_t bitPos_ = 0;
  uint32_t low_ = 0, high_ = Q4, value_ = 0;
  Model model_;
};

}  // namespace

std::vector<uint8_t> LzariCompress(const uint8_t* data, size_t size) {
  auto encoder = std::make_unique<Encoder>();
  return encoder->Run(data, size);
}

bool LzariExpand(const uint8_t* in, size_t size, std::vector<uint8_t>& out, std::string* error,
                 size_t limit) {
  out.clear();
  if (size < 4) {
    if (error) *error = "Read Error";
    return false;
  }
  uint32_t textSize = common::GetU32LE(in);
  if (textSize == 0) return true;
  if (textSize > limit) {
    if (error) *error = "Too Large";
    return false;
  }
  auto decoder = std::make_unique<Decoder>(in + 4, size - 4);
  if (decoder->Run(textSize, out, error)) return true;
  out.clear();
  return false;
}

}  // namespace veneer
