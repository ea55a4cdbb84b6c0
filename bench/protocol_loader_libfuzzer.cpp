// libFuzzer entry for the protocol text loader (clang, TARVOLT_FUZZ=ON):
//   protocol_loader_libfuzzer -max_total_time=600 corpus/

#include "protocol_loader_fuzz_input.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    // The grid's state before the load comes from the input too, so the fuzzer can steer it.
    std::uint64_t variant = 0;
    for (std::size_t i = 0; i < size && i < 8; ++i)
        variant = (variant << 8) | data[size - 1 - i];
    checkProtocolLoader(input, variant);
    return 0;
}
