#include "skin/data/Lzh.h"

#include <algorithm>
#include <array>
#include <new>

namespace kelo::skin {

namespace {

constexpr int N = TLZH::kRingSize;
constexpr int F = TLZH::kLookAhead;
constexpr int T = TLZH::kNodes;
constexpr int R = TLZH::kRoot;
constexpr int kNil = N;  // "no node" in the match tree
constexpr uint8_t kFill = ' ';

// The upper six bits of a match position use a fixed prefix code: one code of 3 bits,
// three of 4, eight of 5, twelve of 6, twenty-four of 7 and sixteen of 8, assigned in
// order. The decoder looks the first 8 bits up in d_code/d_len; both follow from it.
struct PositionTables {
    std::array<uint8_t, 64> pLen{};
    std::array<uint8_t, 64> pCode{};  // the code in the top bits of a byte
    std::array<uint8_t, 256> dCode{};
    std::array<uint8_t, 256> dLen{};
};

constexpr PositionTables MakePositionTables() {
    PositionTables t;
    constexpr int counts[] = {0, 0, 0, 1, 3, 8, 12, 24, 16};  // by code length
    int value = 0;
    int code = 0;  // as the top bits of an 8-bit byte
    for (int len = 3; len <= 8; ++len) {
        for (int i = 0; i < counts[len]; ++i, ++value) {
            t.pLen[value] = static_cast<uint8_t>(len);
            t.pCode[value] = static_cast<uint8_t>(code);
            const int span = 1 << (8 - len);
            for (int b = code; b < code + span; ++b) {
                t.dCode[b] = static_cast<uint8_t>(value);
                t.dLen[b] = static_cast<uint8_t>(len);
            }
            code += span;
        }
    }
    return t;
}

constexpr PositionTables kTables = MakePositionTables();
static_assert(kTables.dCode[0x1F] == 0 && kTables.dCode[0x20] == 1 && kTables.dCode[0xFF] == 63);
static_assert(kTables.pCode[4] == 0x50 && kTables.pCode[12] == 0x90 && kTables.pCode[48] == 0xF0);

}  // namespace

TLZH::TLZH() {
    try {
        ring_.assign(N + F - 1, kFill);
        freq_.assign(T + 1, 0);
        parent_.assign(T + kCodes, 0);
        son_.assign(T, 0);
        lson_.assign(N + 1, kNil);
        rson_.assign(N + 257, kNil);
        dad_.assign(N + 1, kNil);
    } catch (const std::bad_alloc&) {
        throw ELzhError("LZH : Cannot get memory for dictionary tables");
    }
}

// ---- adaptive Huffman tree ---------------------------------------------------------

void TLZH::StartHuff() {
    for (int i = 0; i < kCodes; ++i) {
        freq_[i] = 1;
        son_[i] = static_cast<int16_t>(i + T);
        parent_[i + T] = static_cast<int16_t>(i);
    }
    for (int i = 0, j = kCodes; j <= R; i += 2, ++j) {
        freq_[j] = static_cast<uint16_t>(freq_[i] + freq_[i + 1]);
        son_[j] = static_cast<int16_t>(i);
        parent_[i] = parent_[i + 1] = static_cast<int16_t>(j);
    }
    freq_[T] = 0xFFFF;  // stops the search for a node's new place
    parent_[R] = 0;
}

// Halves all frequencies once the root reaches kMaxFreq and builds the tree anew.
void TLZH::Reconstruct() {
    int j = 0;
    for (int i = 0; i < T; ++i) {
        if (son_[i] >= T) {
            freq_[j] = static_cast<uint16_t>((freq_[i] + 1) / 2);
            son_[j] = son_[i];
            ++j;
        }
    }
    for (int i = 0, k = kCodes; k < T; i += 2, ++k) {
        const unsigned f = freq_[i] + freq_[i + 1];
        freq_[k] = static_cast<uint16_t>(f);
        int at = k - 1;
        while (f < freq_[at]) --at;
        ++at;
        std::move_backward(freq_.begin() + at, freq_.begin() + k, freq_.begin() + k + 1);
        freq_[at] = static_cast<uint16_t>(f);
        std::move_backward(son_.begin() + at, son_.begin() + k, son_.begin() + k + 1);
        son_[at] = static_cast<int16_t>(i);
    }
    for (int i = 0; i < T; ++i) {
        const int k = son_[i];
        parent_[k] = static_cast<int16_t>(i);
        if (k < T) parent_[k + 1] = static_cast<int16_t>(i);
    }
}

// Counts one more use of `code` and keeps the frequencies ordered by swapping nodes.
void TLZH::Update(int code) {
    if (freq_[R] == kMaxFreq) Reconstruct();
    int c = parent_[code + T];
    do {
        const unsigned k = ++freq_[c];
        int l = c + 1;
        if (k > freq_[l]) {
            while (k > freq_[++l]) {
            }
            --l;
            freq_[c] = freq_[l];
            freq_[l] = static_cast<uint16_t>(k);

            const int i = son_[c];
            parent_[i] = static_cast<int16_t>(l);
            if (i < T) parent_[i + 1] = static_cast<int16_t>(l);
            const int j = son_[l];
            son_[l] = static_cast<int16_t>(i);
            parent_[j] = static_cast<int16_t>(c);
            if (j < T) parent_[j + 1] = static_cast<int16_t>(c);
            son_[c] = static_cast<int16_t>(j);
            c = l;
        }
        c = parent_[c];
    } while (c != 0);
}

// ---- decoding ----------------------------------------------------------------------

void TLZH::FillBits() {
    while (bitCount_ <= 8) {
        const uint8_t next = sourcePos_ < source_.size() ? static_cast<uint8_t>(source_[sourcePos_++]) : 0;
        bitBuffer_ = static_cast<uint16_t>(bitBuffer_ | (next << (8 - bitCount_)));
        bitCount_ += 8;
    }
}

int TLZH::GetBit() {
    FillBits();
    const int bit = bitBuffer_ >> 15;
    bitBuffer_ = static_cast<uint16_t>(bitBuffer_ << 1);
    --bitCount_;
    return bit;
}

int TLZH::GetByte() {
    FillBits();
    const int byte = bitBuffer_ >> 8;
    bitBuffer_ = static_cast<uint16_t>(bitBuffer_ << 8);
    bitCount_ -= 8;
    return byte;
}

int TLZH::DecodeChar() {
    int c = son_[R];
    while (c < T) c = son_[c + GetBit()];
    c -= T;
    Update(c);
    return c;
}

int TLZH::DecodePosition() {
    int i = GetByte();
    const int upper = kTables.dCode[i] << 6;
    for (int extra = kTables.dLen[i] - 2; extra > 0; --extra) i = (i << 1) + GetBit();
    return upper | (i & 0x3F);
}

std::string TLZH::Decode(std::string_view source, uint32_t unpackedSize) {
    // A damaged size field must not reserve gigabytes; the whole output is reserved up
    // front, so the loop below never allocates.
    if (unpackedSize > kMaxUnpackedSize) throw ELzhError("LZH : Unpacked size is too large");
    std::string out;
    try {
        out.reserve(unpackedSize);
    } catch (const std::bad_alloc&) {
        throw ELzhError("LZH : Cannot get memory for the unpacked data");
    }

    source_ = source;
    sourcePos_ = 0;
    bitBuffer_ = 0;
    bitCount_ = 0;
    std::fill(ring_.begin(), ring_.begin() + (N - F), kFill);
    StartHuff();

    int r = N - F;
    while (out.size() < unpackedSize) {
        const int c = DecodeChar();
        if (c < 256) {
            out.push_back(static_cast<char>(c));
            ring_[r] = static_cast<uint8_t>(c);
            r = (r + 1) & (N - 1);
            continue;
        }
        const int from = (r - DecodePosition() - 1) & (N - 1);
        const int length = c - 255 + kThreshold;
        for (int k = 0; k < length && out.size() < unpackedSize; ++k) {
            const uint8_t byte = ring_[(from + k) & (N - 1)];
            out.push_back(static_cast<char>(byte));
            ring_[r] = byte;
            r = (r + 1) & (N - 1);
        }
    }
    source_ = {};
    return out;
}

// ---- encoding ----------------------------------------------------------------------

void TLZH::PutCode(int bitCount, uint32_t bits) {
    putBuffer_ |= bits >> putCount_;
    putCount_ += bitCount;
    while (putCount_ >= 8) {
        out_.push_back(static_cast<char>(putBuffer_ >> 24));
        putBuffer_ <<= 8;
        putCount_ -= 8;
    }
}

// The code of a leaf is its path from the root; a path can grow past 16 bits in a badly
// skewed tree, so it is sent in pieces of at most 16.
void TLZH::EncodeChar(int code) {
    std::array<uint8_t, T> path;
    int length = 0;
    for (int k = parent_[code + T]; k != R; k = parent_[k]) path[length++] = static_cast<uint8_t>(k & 1);
    while (length > 0) {
        const int piece = std::min(length, 16);
        uint32_t bits = 0;
        for (int i = 0; i < piece; ++i) bits |= uint32_t{path[--length]} << (31 - i);
        PutCode(piece, bits);
    }
    Update(code);
}

void TLZH::EncodePosition(int position) {
    const int upper = position >> 6;
    PutCode(kTables.pLen[upper], uint32_t{kTables.pCode[upper]} << 24);
    PutCode(6, static_cast<uint32_t>(position & 0x3F) << 26);
}

void TLZH::InitTree() {
    std::fill(rson_.begin() + N + 1, rson_.end(), kNil);
    std::fill(dad_.begin(), dad_.begin() + N, kNil);
}

// Puts the string at r into the tree of strings with the same first byte and notes the
// longest (and among those the nearest) earlier match.
void TLZH::InsertNode(int r) {
    const uint8_t* key = &ring_[r];
    int p = N + 1 + key[0];
    int cmp = 1;
    rson_[r] = lson_[r] = kNil;
    matchLength_ = 0;
    for (;;) {
        std::vector<int16_t>& next = cmp >= 0 ? rson_ : lson_;
        if (next[p] == kNil) {
            next[p] = static_cast<int16_t>(r);
            dad_[r] = static_cast<int16_t>(p);
            return;
        }
        p = next[p];
        int i = 1;
        for (; i < F; ++i) {
            cmp = key[i] - ring_[p + i];
            if (cmp != 0) break;
        }
        if (i > kThreshold) {
            const int distance = ((r - p) & (N - 1)) - 1;
            if (i > matchLength_) {
                matchPosition_ = distance;
                matchLength_ = i;
                if (matchLength_ >= F) break;
            } else if (i == matchLength_ && distance < matchPosition_) {
                matchPosition_ = distance;
            }
        }
    }
    // A full-length match: r takes p's place in the tree.
    dad_[r] = dad_[p];
    lson_[r] = lson_[p];
    rson_[r] = rson_[p];
    dad_[lson_[p]] = static_cast<int16_t>(r);
    dad_[rson_[p]] = static_cast<int16_t>(r);
    if (rson_[dad_[p]] == p) {
        rson_[dad_[p]] = static_cast<int16_t>(r);
    } else {
        lson_[dad_[p]] = static_cast<int16_t>(r);
    }
    dad_[p] = kNil;
}

void TLZH::DeleteNode(int p) {
    if (dad_[p] == kNil) return;
    int q;
    if (rson_[p] == kNil) {
        q = lson_[p];
    } else if (lson_[p] == kNil) {
        q = rson_[p];
    } else {
        q = lson_[p];
        if (rson_[q] != kNil) {
            do {
                q = rson_[q];
            } while (rson_[q] != kNil);
            rson_[dad_[q]] = lson_[q];
            dad_[lson_[q]] = dad_[q];
            lson_[q] = lson_[p];
            dad_[lson_[p]] = static_cast<int16_t>(q);
        }
        rson_[q] = rson_[p];
        dad_[rson_[p]] = static_cast<int16_t>(q);
    }
    dad_[q] = dad_[p];
    if (rson_[dad_[p]] == p) {
        rson_[dad_[p]] = static_cast<int16_t>(q);
    } else {
        lson_[dad_[p]] = static_cast<int16_t>(q);
    }
    dad_[p] = kNil;
}

std::string TLZH::Encode(std::string_view plain) {
    out_.clear();
    putBuffer_ = 0;
    putCount_ = 0;
    StartHuff();
    InitTree();
    std::fill(ring_.begin(), ring_.end(), kFill);

    size_t next = 0;  // the next input byte to enter the look-ahead
    int s = 0;
    int r = N - F;
    int len = 0;
    for (; len < F && next < plain.size(); ++len) ring_[r + len] = static_cast<uint8_t>(plain[next++]);
    for (int i = 1; i <= F; ++i) InsertNode(r - i);
    InsertNode(r);
    while (len > 0) {
        matchLength_ = std::min(matchLength_, len);
        if (matchLength_ <= kThreshold) {
            matchLength_ = 1;
            EncodeChar(ring_[r]);
        } else {
            EncodeChar(255 - kThreshold + matchLength_);
            EncodePosition(matchPosition_);
        }
        const int advance = matchLength_;
        int i = 0;
        for (; i < advance && next < plain.size(); ++i) {
            DeleteNode(s);
            const uint8_t c = static_cast<uint8_t>(plain[next++]);
            ring_[s] = c;
            if (s < F - 1) ring_[s + N] = c;  // the copy past the end keeps comparisons simple
            s = (s + 1) & (N - 1);
            r = (r + 1) & (N - 1);
            InsertNode(r);
        }
        for (; i < advance; ++i) {
            DeleteNode(s);
            s = (s + 1) & (N - 1);
            r = (r + 1) & (N - 1);
            if (--len > 0) InsertNode(r);
        }
    }
    if (putCount_ > 0) out_.push_back(static_cast<char>(putBuffer_ >> 24));
    return std::move(out_);
}

}  // namespace kelo::skin
