// Pack + checksum and unpack + verify of one 275-byte patch message.
#include "protocol/Messages.h"
#include "protocol/SysexCodec.h"

#include <benchmark/benchmark.h>

#include <random>

using namespace velmora;

namespace {

PatchRecord randomRecord()
{
    std::mt19937 random(1);
    PatchRecord record;
    for (Byte& b : record)
        b = static_cast<Byte>(random());
    return record;
}

void packPatchMessage(benchmark::State& state)
{
    const PatchRecord record = randomRecord();
    std::array<Byte, kPatchMessageSize> message{};
    for (auto _ : state) {
        writeBlockMessage(opcode::patchToMemory, 42, record, message.data());
        benchmark::DoNotOptimize(message);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kPatchMessageSize));
}
BENCHMARK(packPatchMessage);

// The same through the allocating builder the send paths use.
void buildPatchMessage(benchmark::State& state)
{
    const PatchRecord record = randomRecord();
    for (auto _ : state) {
        Message message = patchToMemory(42, record);
        benchmark::DoNotOptimize(message.data());
    }
}
BENCHMARK(buildPatchMessage);

void unpackPatchMessage(benchmark::State& state)
{
    const Message message = patchToMemory(42, randomRecord());
    PatchRecord record{};
    for (auto _ : state) {
        const UnpackStatus status = unpackBlock(message, record);
        benchmark::DoNotOptimize(status);
        benchmark::DoNotOptimize(record);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kPatchMessageSize));
}
BENCHMARK(unpackPatchMessage);

} // namespace

BENCHMARK_MAIN();
