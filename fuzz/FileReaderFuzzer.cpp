// Arbitrary bytes into the three file readers. Refusals are expected; crashes, leaks, sanitizer
// reports and a state that does not survive being written and read again are faults.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/model/Errors.h"
#include "core/model/ExchangeFiles.h"
#include "core/model/JsonData.h"
#include "core/model/SavedState.h"

namespace {

template <typename Record>
void roundTrip(const Record& record) {
    std::string bytes;
    try {
        bytes = jsonData(record);
    } catch (const zuna::ZunaError&) {
        return;  // over the size limit
    }
    if (!(Record::fromJson(bytes) == record)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("ZUNA_LOCALIZATION_FILE", "/nonexistent", 1);
    setenv("ZUNA_LANGUAGE", "sl", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        roundTrip(zuna::SavedState::fromJson(bytes));
    } catch (const zuna::ZunaError&) {
    } catch (const zuna::JsonError&) {
    }
    try {
        const auto file = zuna::ButtonFile::fromJson(bytes);
        file.validated();
        roundTrip(file);
    } catch (const zuna::ZunaError&) {
    } catch (const zuna::JsonError&) {
    }
    try {
        const auto file = zuna::GroupFile::fromJson(bytes);
        file.validated();
        roundTrip(file);
    } catch (const zuna::ZunaError&) {
    } catch (const zuna::JsonError&) {
    }
    return 0;
}
