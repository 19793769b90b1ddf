#pragma once
// The messages between the stand-in remote-API library and the simulated handheld. One request
// and one reply per message, each framed by a 32-bit length; numbers little-endian, texts and
// buffers as length-prefixed bytes (paths stay UTF-16 as the caller passed them).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rig::wire {

enum class Op : std::uint16_t {
    // Request: probe (a repeated attempt), nested (the library has a session open already).
    // Reply result 0 when the handheld runs normally, payload the connection number; or
    // kAlreadyInitialised for a nested one in the strict setting.
    Init = 1,
    Uninit = 2,  // reply payload: 1 when the strict setting ends the connection at once
    Invoke = 3,  // library, entry point, input -> HRESULT, output
    CreateFile = 4,
    ReadFile = 5,
    WriteFile = 6,
    CloseHandle = 7,
    DeleteFile = 8,
    MoveFile = 9,
    CreateProcess = 10,
    PowerStatus = 11,
    Note = 12,  // a fault the library saw in its caller's arguments, kept in the handheld's log
};

// Every request starts with the connection number it was made in, so that calls made over a
// connection that has since ended (the handheld restarted) fail as they do on a real one.
struct Request {
    Op op{};
    std::uint32_t connection = 0;
    std::vector<std::uint8_t> payload;
};

struct Reply {
    std::int32_t result = 0;
    std::uint32_t error = 0;  // the handheld's last error after the call
    std::vector<std::uint8_t> payload;
};

class Writer {
  public:
    Writer& U16(std::uint16_t v) { return Raw(&v, 2); }
    Writer& U32(std::uint32_t v) { return Raw(&v, 4); }
    Writer& Bytes(const void* data, std::size_t size) {
        U32(static_cast<std::uint32_t>(size));
        return Raw(data, size);
    }
    Writer& Bytes(const std::vector<std::uint8_t>& v) { return Bytes(v.data(), v.size()); }
    std::vector<std::uint8_t> Take() { return std::move(out_); }

  private:
    Writer& Raw(const void* data, std::size_t size) {
        // Little-endian hosts only (x86 on both sides).
        const auto* p = static_cast<const std::uint8_t*>(data);
        out_.insert(out_.end(), p, p + size);
        return *this;
    }
    std::vector<std::uint8_t> out_;
};

// Reads fields in order; any read past the end marks the reader bad and yields zeros.
class Reader {
  public:
    explicit Reader(const std::vector<std::uint8_t>& in) : in_(in) {}
    std::uint16_t U16() { return static_cast<std::uint16_t>(Number(2)); }
    std::uint32_t U32() { return static_cast<std::uint32_t>(Number(4)); }
    std::vector<std::uint8_t> Bytes() {
        std::uint32_t size = U32();
        if (!ok_ || in_.size() - pos_ < size) {
            ok_ = false;
            return {};
        }
        std::vector<std::uint8_t> v(in_.begin() + pos_, in_.begin() + pos_ + size);
        pos_ += size;
        return v;
    }
    bool ok() const { return ok_; }

  private:
    std::uint64_t Number(std::size_t width) {
        if (!ok_ || in_.size() - pos_ < width) {
            ok_ = false;
            return 0;
        }
        std::uint64_t v = 0;
        for (std::size_t i = 0; i < width; ++i) v |= std::uint64_t{in_[pos_ + i]} << (8 * i);
        pos_ += width;
        return v;
    }
    const std::vector<std::uint8_t>& in_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

inline std::vector<std::uint8_t> EncodeRequest(const Request& r) {
    Writer w;
    w.U16(static_cast<std::uint16_t>(r.op)).U32(r.connection).Bytes(r.payload);
    return w.Take();
}

inline std::optional<Request> DecodeRequest(const std::vector<std::uint8_t>& body) {
    Reader rd(body);
    Request r;
    r.op = static_cast<Op>(rd.U16());
    r.connection = rd.U32();
    r.payload = rd.Bytes();
    if (!rd.ok()) return std::nullopt;
    return r;
}

inline std::vector<std::uint8_t> EncodeReply(const Reply& r) {
    Writer w;
    w.U32(static_cast<std::uint32_t>(r.result)).U32(r.error).Bytes(r.payload);
    return w.Take();
}

inline std::optional<Reply> DecodeReply(const std::vector<std::uint8_t>& body) {
    Reader rd(body);
    Reply r;
    r.result = static_cast<std::int32_t>(rd.U32());
    r.error = rd.U32();
    r.payload = rd.Bytes();
    if (!rd.ok()) return std::nullopt;
    return r;
}

// The platform's answer to a second initialisation in one process.
inline constexpr std::int32_t kAlreadyInitialised = static_cast<std::int32_t>(0x80041001);

// Largest message either side accepts: a chunk of the backup plus room for its framing.
inline constexpr std::uint32_t kMaxMessage = 1u << 20;

// Default loopback ports of the two faces of the simulator.
inline constexpr std::uint16_t kDefaultRapiPort = 49470;
inline constexpr std::uint16_t kDefaultControlPort = 49471;

}  // namespace rig::wire
