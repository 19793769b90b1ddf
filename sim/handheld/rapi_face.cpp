#include "rapi_face.h"

#include <algorithm>
#include <cctype>
#include <ctime>

namespace rig {

namespace {

constexpr std::int32_t kModuleNotFound = static_cast<std::int32_t>(0x8007007E);
constexpr std::int32_t kProcNotFound = static_cast<std::int32_t>(0x8007007F);
constexpr std::int32_t kInvalidArg = static_cast<std::int32_t>(0x80070057);
constexpr std::uint32_t kInvalidHandle = 0xFFFFFFFF;
constexpr std::uint32_t kFirstProcessHandle = 0x80000;

std::string FromUtf16(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        unsigned u = bytes[i] | bytes[i + 1] << 8;
        if (u == 0) break;
        out += u < 0x80 ? static_cast<char>(u) : '?';
    }
    return out;
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

wire::Reply Fail(std::int32_t result, std::uint32_t error) { return {result, error, {}}; }

wire::Reply Invoke(Handheld& h, wire::Reader& in) {
    std::string library = FromUtf16(in.Bytes());
    std::string entry = FromUtf16(in.Bytes());
    std::vector<std::uint8_t> input = in.Bytes();
    std::string path = library.find('\\') == std::string::npos ? "\\Windows\\" + library : library;
    std::string name = Lower(path.substr(path.rfind('\\') + 1));
    RapiLog::Invoke log{library, entry, input.size(), 0};
    DeviceFile* file = h.files.Find(path);
    if (file == nullptr) {
        h.journal.Error("invoke of " + library + "!" + entry + ": " + path +
                        " is not on the handheld");
        log.result = kModuleNotFound;
        h.rapi.invokes.push_back(log);
        return Fail(kModuleNotFound, 126);
    }
    file->in_use = true;  // the handheld keeps a library loaded once it has run it
    wire::Reply reply;
    std::string error;
    if (name == "getdevicedata.dll" && entry == "GetDeviceData") {
        if (!input.empty()) h.journal.Error("GetDeviceData called with input");
        wire::Writer w;
        w.Bytes(DeviceDataReply(h.id, h.serial_link()));
        reply.payload = w.Take();
    } else if (name == "zib_writereservearea.dll" && entry == "WriteArea") {
        if (auto rec = ParseWriteArea(input, error)) {
            std::vector<std::uint8_t> bytes(rec->text.begin(), rec->text.end());
            bytes.resize(rec->length, 0);
            if (rec->address != kReserveArea) {
                h.journal.Error("WriteArea at an address that is not the reserve area");
            }
            if (!h.flash.Write(rec->address, bytes.data(), bytes.size())) {
                h.journal.Error("WriteArea outside the flash");
                reply = Fail(kInvalidArg, 87);
            }
        } else {
            h.journal.Error(error);
            reply = Fail(kInvalidArg, 87);
        }
    } else if (name == "setsystemtime.dll" && entry == "SetSysTime") {
        if (auto rec = ParseSetSysTime(input, error)) {
            std::tm tm{};
            tm.tm_year = rec->year - 1900;
            tm.tm_mon = rec->month - 1;
            tm.tm_mday = rec->day;
            tm.tm_hour = rec->hour;
            tm.tm_min = rec->minute;
            tm.tm_sec = rec->second;
            auto set = std::chrono::system_clock::from_time_t(timegm(&tm));
            h.clock_offset = set - std::chrono::system_clock::now();
            h.time_set = *rec;
        } else {
            h.journal.Error(error);
            reply = Fail(kInvalidArg, 87);
        }
    } else {
        h.journal.Error("invoke of unknown entry point " + library + "!" + entry);
        reply = Fail(kProcNotFound, 127);
    }
    log.result = reply.result;
    h.rapi.invokes.push_back(log);
    return reply;
}

wire::Reply CreateFile(Handheld& h, wire::Reader& in) {
    std::string path = FromUtf16(in.Bytes());
    std::uint32_t access = in.U32();
    std::uint32_t share = in.U32();
    std::uint32_t disposition = in.U32();
    std::uint32_t attributes = in.U32();
    Opened opened = h.files.Create(path, access, share, disposition, attributes);
    if (opened.handle == 0) return Fail(static_cast<std::int32_t>(kInvalidHandle), opened.error);
    return {static_cast<std::int32_t>(opened.handle), opened.error, {}};
}

wire::Reply ReadFile(Handheld& h, wire::Reader& in) {
    std::uint32_t handle = in.U32();
    std::uint32_t count = in.U32();
    std::vector<std::uint8_t> data;
    if (std::uint32_t error = h.files.Read(handle, std::min(count, wire::kMaxMessage - 64), data)) {
        return Fail(0, error);
    }
    wire::Writer w;
    w.Bytes(data);
    return {1, 0, w.Take()};
}

wire::Reply WriteFile(Handheld& h, wire::Reader& in) {
    std::uint32_t handle = in.U32();
    std::vector<std::uint8_t> data = in.Bytes();
    if (std::uint32_t error = h.files.Write(handle, data)) return Fail(0, error);
    wire::Writer w;
    w.U32(static_cast<std::uint32_t>(data.size()));
    return {1, 0, w.Take()};
}

wire::Reply CreateProcess(Handheld& h, wire::Reader& in) {
    std::string app = FromUtf16(in.Bytes());
    std::string command_line = FromUtf16(in.Bytes());
    if (!h.files.Exists(app)) return Fail(0, kErrorFileNotFound);
    if (!command_line.empty()) h.journal.Error("program " + app + " started with arguments");
    h.rapi.processes.push_back(app);
    if (DeviceFiles::Key(app) == DeviceFiles::Key(kBackupProgram)) h.StartBackupProgram();
    auto n = static_cast<std::uint32_t>(h.rapi.processes.size());
    wire::Writer w;
    w.U32(kFirstProcessHandle + 2 * n)
        .U32(kFirstProcessHandle + 2 * n + 1)
        .U32(0x400 + n)
        .U32(0x800 + n);
    return {1, 0, w.Take()};
}

wire::Reply PowerStatus(Handheld& h, wire::Reader& in) {
    if (in.U32() == 0) h.journal.Error("power status asked without refresh");
    // SYSTEM_POWER_STATUS_EX, 24 bytes; the life times are unknown (all ones).
    std::vector<std::uint8_t> s(24, 0xFF);
    s[0] = h.mains ? 1 : 0;  // AC line status
    s[1] = h.mains ? 8 : 1;  // battery: charging, or high
    s[2] = 87;               // battery life percent
    s[3] = 0;
    s[12] = 0;
    s[13] = 1;  // backup battery high
    s[14] = 100;
    s[15] = 0;
    wire::Writer w;
    w.Bytes(s);
    return {1, 0, w.Take()};
}

}  // namespace

wire::Reply HandleRapi(Handheld& h, const wire::Request& request) {
    std::lock_guard lock(h.mu);
    wire::Reader in(request.payload);
    if (request.op == wire::Op::Init) {
        const bool probe = in.U32() != 0;  // a repeated attempt of the same session
        const bool nested = in.U32() != 0;
        if (nested && h.rapi_strict) {
            ++h.rapi.refused_inits;
            return Fail(wire::kAlreadyInitialised, 0);
        }
        if (!probe) ++h.rapi.inits;
        if (!h.connected()) return Fail(1, kNotConnected);
        wire::Writer w;
        w.U32(h.rapi.connection);
        return {0, 0, w.Take()};
    }
    if (request.op == wire::Op::Uninit) {
        ++h.rapi.uninits;
        wire::Writer w;
        w.U32(h.rapi_strict ? 1 : 0);
        return {0, 0, w.Take()};
    }
    if (request.op == wire::Op::Note) {
        std::vector<std::uint8_t> text = in.Bytes();
        h.journal.Error("remote API: " + std::string(text.begin(), text.end()));
        return {0, 0, {}};
    }
    ++h.rapi.calls;
    if (!h.connected() || request.connection != h.rapi.connection) return Fail(0, kNotConnected);
    switch (request.op) {
        case wire::Op::Invoke:
            return Invoke(h, in);
        case wire::Op::CreateFile:
            return CreateFile(h, in);
        case wire::Op::ReadFile:
            return ReadFile(h, in);
        case wire::Op::WriteFile:
            return WriteFile(h, in);
        case wire::Op::CloseHandle: {
            std::uint32_t handle = in.U32();
            if (handle >= kFirstProcessHandle) return {1, 0, {}};  // a process or thread handle
            std::uint32_t error = h.files.Close(handle);
            return error != 0 ? Fail(0, error) : wire::Reply{1, 0, {}};
        }
        case wire::Op::DeleteFile: {
            std::string path = FromUtf16(in.Bytes());
            std::uint32_t error = h.files.Delete(path);
            if (error == 0 && DeviceFiles::Key(path) == DeviceFiles::Key(kBackupChunkFile) &&
                h.backup.running) {
                ++h.backup.chunks_taken;
                h.changed.notify_all();
            }
            return error != 0 ? Fail(0, error) : wire::Reply{1, 0, {}};
        }
        case wire::Op::MoveFile: {
            std::string from = FromUtf16(in.Bytes());
            std::uint32_t error = h.files.Move(from, FromUtf16(in.Bytes()));
            return error != 0 ? Fail(0, error) : wire::Reply{1, 0, {}};
        }
        case wire::Op::CreateProcess:
            return CreateProcess(h, in);
        case wire::Op::PowerStatus:
            return PowerStatus(h, in);
        default:
            h.journal.Error("unknown remote-API request");
            return Fail(0, kErrorInvalidParameter);
    }
}

}  // namespace rig
