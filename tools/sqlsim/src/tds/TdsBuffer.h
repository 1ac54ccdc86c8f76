#pragma once
// Byte-level writing and bounds-checked reading of TDS fields. A reader never reads past its data:
// every getter returns false instead, so malformed input cannot take the server down.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sqlsim::tds {

using Bytes = std::vector<uint8_t>;

class Writer {
public:
    void u8(uint8_t v) { out_.push_back(v); }
    void u16le(uint16_t v);
    void u32le(uint32_t v);
    void u64le(uint64_t v);
    void u16be(uint16_t v);
    void u32be(uint32_t v);
    void bytes(const uint8_t* p, size_t n) { out_.insert(out_.end(), p, p + n); }
    void bytes(const Bytes& b) { out_.insert(out_.end(), b.begin(), b.end()); }
    void ucs2(std::u16string_view s);       // raw UTF-16LE, no length
    void bVarchar(std::u16string_view s);   // 1-byte char count, cut at 255
    void usVarchar(std::u16string_view s);  // 2-byte char count
    void patchU16le(size_t at, uint16_t v); // fills in a length once known

    size_t size() const { return out_.size(); }
    const Bytes& data() const { return out_; }
    Bytes take() { return std::move(out_); }

private:
    Bytes out_;
};

class Reader {
public:
    Reader(const uint8_t* p, size_t n) : p_(p), n_(n) {}
    explicit Reader(const Bytes& b) : p_(b.data()), n_(b.size()) {}

    bool u8(uint8_t& v);
    bool u16le(uint16_t& v);
    bool u32le(uint32_t& v);
    bool u16be(uint16_t& v);
    bool skip(size_t n);
    bool seek(size_t pos);
    size_t pos() const { return pos_; }
    size_t size() const { return n_; }
    size_t remaining() const { return n_ - pos_; }
    const uint8_t* here() const { return p_ + pos_; }

private:
    const uint8_t* p_;
    size_t n_;
    size_t pos_ = 0;
};

} // namespace sqlsim::tds
