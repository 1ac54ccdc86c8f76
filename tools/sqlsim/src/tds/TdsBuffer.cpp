#include "tds/TdsBuffer.h"

namespace sqlsim::tds {

void Writer::u16le(uint16_t v) {
    out_.push_back(uint8_t(v));
    out_.push_back(uint8_t(v >> 8));
}

void Writer::u32le(uint32_t v) {
    for (int i = 0; i < 4; ++i) out_.push_back(uint8_t(v >> (8 * i)));
}

void Writer::u64le(uint64_t v) {
    for (int i = 0; i < 8; ++i) out_.push_back(uint8_t(v >> (8 * i)));
}

void Writer::u16be(uint16_t v) {
    out_.push_back(uint8_t(v >> 8));
    out_.push_back(uint8_t(v));
}

void Writer::u32be(uint32_t v) {
    for (int i = 3; i >= 0; --i) out_.push_back(uint8_t(v >> (8 * i)));
}

void Writer::ucs2(std::u16string_view s) {
    for (char16_t c : s) u16le(uint16_t(c));
}

void Writer::bVarchar(std::u16string_view s) {
    if (s.size() > 255) s = s.substr(0, 255);
    u8(uint8_t(s.size()));
    ucs2(s);
}

void Writer::usVarchar(std::u16string_view s) {
    if (s.size() > 0xFFFF) s = s.substr(0, 0xFFFF);
    u16le(uint16_t(s.size()));
    ucs2(s);
}

void Writer::patchU16le(size_t at, uint16_t v) {
    if (at + 2 > out_.size()) return;
    out_[at] = uint8_t(v);
    out_[at + 1] = uint8_t(v >> 8);
}

bool Reader::u8(uint8_t& v) {
    if (remaining() < 1) return false;
    v = p_[pos_++];
    return true;
}

bool Reader::u16le(uint16_t& v) {
    if (remaining() < 2) return false;
    v = uint16_t(p_[pos_] | (p_[pos_ + 1] << 8));
    pos_ += 2;
    return true;
}

bool Reader::u32le(uint32_t& v) {
    if (remaining() < 4) return false;
    v = uint32_t(p_[pos_]) | uint32_t(p_[pos_ + 1]) << 8 | uint32_t(p_[pos_ + 2]) << 16 | uint32_t(p_[pos_ + 3]) << 24;
    pos_ += 4;
    return true;
}

bool Reader::u16be(uint16_t& v) {
    if (remaining() < 2) return false;
    v = uint16_t((p_[pos_] << 8) | p_[pos_ + 1]);
    pos_ += 2;
    return true;
}

bool Reader::skip(size_t n) {
    if (remaining() < n) return false;
    pos_ += n;
    return true;
}

bool Reader::seek(size_t pos) {
    if (pos > n_) return false;
    pos_ = pos;
    return true;
}

} // namespace sqlsim::tds
