#pragma once
// TDS packets over one socket: reassembles a client message from its packets and splits a reply
// into packets of the negotiated size. Any framing fault ends the message as Malformed.
#include "tds/TdsBuffer.h"

#include <cstdint>

namespace sqlsim::tds {

constexpr uint8_t kPktSqlBatch = 0x01;
constexpr uint8_t kPktRpc = 0x03;
constexpr uint8_t kPktReply = 0x04;
constexpr uint8_t kPktAttention = 0x06;
constexpr uint8_t kPktTransaction = 0x0E;
constexpr uint8_t kPktLogin7 = 0x10;
constexpr uint8_t kPktPrelogin = 0x12;

enum class ReadStatus { Ok, Closed, Malformed };

class Channel {
public:
    Channel(int fd, uint16_t spid) : fd_(fd), spid_(spid) {}

    // One whole client message. An attention packet that interrupts a message replaces it.
    ReadStatus Read(uint8_t& type, Bytes& payload);
    bool Send(uint8_t type, const Bytes& payload);

    void SetPacketSize(uint32_t size) { packetSize_ = size; }
    uint32_t PacketSize() const { return packetSize_; }

    static constexpr size_t kMaxPacket = 32767;
    static constexpr size_t kMaxMessage = 16u << 20; // a batch text far beyond anything the tool sends

private:
    bool ReadExact(uint8_t* p, size_t n, bool& closedCleanly);

    int fd_;
    uint16_t spid_;
    uint32_t packetSize_ = 4096;
    uint8_t packetId_ = 1;
};

} // namespace sqlsim::tds
