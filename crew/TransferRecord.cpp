// The hand-over record's file format (see TransferRecord.h).
#include "TransferRecord.h"

#include <cstdio>
#include <cstring>

#include "CrewFile.h"
#include "CrewNames.h"

namespace {

void PutLe32(unsigned char *out, std::int32_t value) {
    const std::uint32_t u = static_cast<std::uint32_t>(value);
    out[0] = static_cast<unsigned char>(u);
    out[1] = static_cast<unsigned char>(u >> 8);
    out[2] = static_cast<unsigned char>(u >> 16);
    out[3] = static_cast<unsigned char>(u >> 24);
}

std::int32_t GetLe32(const unsigned char *in) {
    const std::uint32_t u =
        static_cast<std::uint32_t>(in[0]) | static_cast<std::uint32_t>(in[1]) << 8 |
        static_cast<std::uint32_t>(in[2]) << 16 | static_cast<std::uint32_t>(in[3]) << 24;
    return static_cast<std::int32_t>(u);
}

}  // namespace

TransferRecord MakeTransferRecord(const char *crewText, const char *meshName, int age, int pulse,
                                  int evaParameter, int weight) {
    // Cleared first, so that no earlier member's name lingers after a terminator.
    TransferRecord record;
    std::memset(&record, 0, sizeof record);
    std::snprintf(record.name, RECORD_TEXT_MAX_LENGTH + 1, "%s%s", EVA_VESSEL_PREFIX,
                  crewText ? crewText : "");
    std::snprintf(record.meshName, RECORD_TEXT_MAX_LENGTH + 1, "%s", meshName ? meshName : "");
    record.age = age;
    record.pulse = pulse;
    record.evaParameter = evaParameter;
    record.weight = weight;
    return record;
}

bool WriteTransferRecord(const TransferRecord &record, const char *path) {
    unsigned char bytes[sizeof(TransferRecord)];
    std::memcpy(bytes, record.name, sizeof record.name);
    std::memcpy(bytes + offsetof(TransferRecord, meshName), record.meshName,
                sizeof record.meshName);
    PutLe32(bytes + offsetof(TransferRecord, age), record.age);
    PutLe32(bytes + offsetof(TransferRecord, pulse), record.pulse);
    PutLe32(bytes + offsetof(TransferRecord, evaParameter), record.evaParameter);
    PutLe32(bytes + offsetof(TransferRecord, weight), record.weight);
    PutLe32(bytes + offsetof(TransferRecord, reserved0), record.reserved0);
    PutLe32(bytes + offsetof(TransferRecord, reserved1), record.reserved1);

    std::FILE *file = OpenCrewFile(path, CREW_FILE_WRITE);
    if (!file) {
        return false;
    }
    const bool written = std::fwrite(bytes, sizeof bytes, 1, file) == 1;
    if (std::fclose(file) != 0 || !written) {
        RemoveCrewFile(path);
        return false;
    }
    return true;
}

bool ReadTransferRecord(const char *path, TransferRecord &record) {
    std::FILE *file = OpenCrewFile(path, CREW_FILE_READ_RECORD);
    if (!file) {
        return false;
    }
    unsigned char bytes[sizeof(TransferRecord)];
    const std::size_t items = std::fread(bytes, sizeof bytes, 1, file);
    std::fclose(file);
    if (items != 1) {
        return false;
    }
    std::memcpy(record.name, bytes, sizeof record.name);
    std::memcpy(record.meshName, bytes + offsetof(TransferRecord, meshName),
                sizeof record.meshName);
    record.age = GetLe32(bytes + offsetof(TransferRecord, age));
    record.pulse = GetLe32(bytes + offsetof(TransferRecord, pulse));
    record.evaParameter = GetLe32(bytes + offsetof(TransferRecord, evaParameter));
    record.weight = GetLe32(bytes + offsetof(TransferRecord, weight));
    record.reserved0 = GetLe32(bytes + offsetof(TransferRecord, reserved0));
    record.reserved1 = GetLe32(bytes + offsetof(TransferRecord, reserved1));
    return true;
}

bool IsCrewRecord(const TransferRecord &record) {
    return std::memchr(record.name, '\0', sizeof record.name) != nullptr &&
           std::strncmp(record.name, EVA_VESSEL_PREFIX, EVA_PREFIX_LENGTH) == 0;
}
