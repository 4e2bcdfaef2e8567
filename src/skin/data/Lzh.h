#pragma once
// LZHUF (LZSS with an adaptive Huffman code, Okumura and Yoshizaki), the compression of
// the skin file. The program only decodes; the encoder serves the build tool that packs
// Kelo's own skin.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/Errors.h"

namespace kelo::skin {

class ELzhError : public KeloError {
public:
    using KeloError::KeloError;
};

class TLZH {
public:
    static constexpr int kRingSize = 4096;                      // N
    static constexpr int kLookAhead = 60;                       // F
    static constexpr int kThreshold = 2;                        // shorter matches go as bytes
    static constexpr int kCodes = 256 - kThreshold + kLookAhead;  // N_CHAR = 314
    static constexpr int kNodes = kCodes * 2 - 1;               // T = 627
    static constexpr int kRoot = kNodes - 1;                    // R = 626
    static constexpr unsigned kMaxFreq = 0x8000;
    // The most a stream may unpack to. Kelo's own skin unpacks to about 105 KB; this
    // leaves room for a skin carrying the largest picture SkinImage reads (16M pixels,
    // 48 MB at 24 bits) and matches the size the skin archive accepts.
    static constexpr uint32_t kMaxUnpackedSize = 64u << 20;

    TLZH();

    // Decodes `source` and returns exactly `unpackedSize` bytes. Input that ends early
    // reads as zero bits, so a damaged stream still gives the full size. A size above
    // kMaxUnpackedSize, or one there is no memory for, throws ELzhError.
    std::string Decode(std::string_view source, uint32_t unpackedSize);
    // The bit stream that Decode turns back into `plain`.
    std::string Encode(std::string_view plain);

private:
    void StartHuff();
    void Reconstruct();
    void Update(int code);

    int GetBit();
    int GetByte();
    void FillBits();
    int DecodeChar();
    int DecodePosition();

    void PutCode(int bitCount, uint32_t bits);  // the top `bitCount` bits of `bits`
    void EncodeChar(int code);
    void EncodePosition(int position);
    void InitTree();
    void InsertNode(int r);
    void DeleteNode(int p);

    // Decoder state: the source and where it stands, the 16-bit bit buffer.
    std::string_view source_;
    size_t sourcePos_ = 0;
    uint16_t bitBuffer_ = 0;
    int bitCount_ = 0;
    std::vector<uint8_t> ring_;  // N + F - 1: the encoder compares past the end

    std::vector<uint16_t> freq_;   // T + 1, the last a sentinel
    std::vector<int16_t> parent_;  // T + N_CHAR: leaves point to their nodes too
    std::vector<int16_t> son_;     // T

    // Encoder state: output bits waiting for a whole byte, and the match tree.
    std::string out_;
    uint32_t putBuffer_ = 0;
    int putCount_ = 0;
    std::vector<int16_t> lson_, rson_, dad_;  // N + 1, N + 257, N + 1
    int matchPosition_ = 0;
    int matchLength_ = 0;
};

}  // namespace kelo::skin
