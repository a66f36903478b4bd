// Pack + checksum and unpack + verify of one 275-byte patch message.
#include "Messages.h"
#include "SysexCodec.h"

#include <benchmark/benchmark.h>

#include <random>

using namespace velmora;

namespace {

PatchRecord RandomRecord()
{
    std::mt19937 random(1);
    PatchRecord record;
    for (Byte& b : record)
        b = static_cast<Byte>(random());
    return record;
}

void PackPatchMessage(benchmark::State& state)
{
    const PatchRecord record = RandomRecord();
    std::array<Byte, kPatchMessageSize> message{};
    for (auto _ : state) {
        WriteBlockMessage(opcode::PatchToMemory, 42, record, message.data());
        benchmark::DoNotOptimize(message);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kPatchMessageSize));
}
BENCHMARK(PackPatchMessage);

// The same through the allocating builder the send paths use.
void BuildPatchMessage(benchmark::State& state)
{
    const PatchRecord record = RandomRecord();
    for (auto _ : state) {
        Message message = PatchToMemory(42, record);
        benchmark::DoNotOptimize(message.data());
    }
}
BENCHMARK(BuildPatchMessage);

void UnpackPatchMessage(benchmark::State& state)
{
    const Message message = PatchToMemory(42, RandomRecord());
    PatchRecord record{};
    for (auto _ : state) {
        const UnpackStatus status = UnpackBlock(message, record);
        benchmark::DoNotOptimize(status);
        benchmark::DoNotOptimize(record);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kPatchMessageSize));
}
BENCHMARK(UnpackPatchMessage);

} // namespace

BENCHMARK_MAIN();
