// Cost of recognising what the microphone sends, per received chunk.

#include "MLDeviceManager.h"
#include "MLRegex.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

namespace {

MLDeviceManager &manager()
{
    static MLDeviceManager instance;
    static bool once = [] {
        MLSerialDeviceInfo info;
        info.dialInDevice = info.callOutDevice = QStringLiteral("/dev/null");
        instance.setConnectedDevices({{1u, info}});
        return true;
    }();
    Q_UNUSED(once);
    return instance;
}

const QByteArray kSummary = "Summary=\"Room 4 east\",N0012345,1.05,0,1,3,87\r\n"; // 46 bytes
const QByteArray kLongSummary = "SUMMARY\r\nSummary=\"Classroom 12B\",N0012345678,1.05.3.17,5,6,3,57.9\r\n"; // ~64

// A complete summary reply, recognised and stored.
void BM_SummaryReply(benchmark::State &state, const QByteArray &reply)
{
    MLDeviceManager &m = manager();
    for (auto _ : state) {
        m.setCurrentDeviceCommand(MLDeviceCommandSummary);
        m.setSerialBuffer(reply);
        m.processReceivedData();
    }
    if (m.stringValue(MLDeviceKeys::DeviceSerial).isEmpty())
        state.SkipWithError("the reply was not recognised");
}
BENCHMARK_CAPTURE(BM_SummaryReply, summary46, kSummary);
BENCHMARK_CAPTURE(BM_SummaryReply, summary64, kLongSummary);

// A full 2048-byte buffer that matches nothing, as the worst an outstanding
// summary can be fed before the overflow limit.
void BM_WorstCaseBuffer(benchmark::State &state, const QByteArray &buffer)
{
    MLDeviceManager &m = manager();
    for (auto _ : state) {
        m.setCurrentDeviceCommand(MLDeviceCommandSummary);
        m.setSerialBuffer(buffer);
        m.processReceivedData();
    }
    if (m.currentDeviceCommand() != MLDeviceCommandSummary)
        state.SkipWithError("the buffer was recognised");
    state.SetBytesProcessed(int64_t(state.iterations()) * buffer.size());
}

QByteArray repeatTo(const QByteArray &unit, qsizetype size, const QByteArray &head = {})
{
    QByteArray out = head;
    while (out.size() + unit.size() <= size)
        out += unit;
    return out.leftJustified(size, '.');
}

// Text that is no reply at all.
BENCHMARK_CAPTURE(BM_WorstCaseBuffer, junk2048, repeatTo("lorem ipsum dolor sit amet ", 2048));
// One summary line of commas whose name never closes.
BENCHMARK_CAPTURE(BM_WorstCaseBuffer, commas2048, repeatTo(",", 2048, "Summary=\"a"));
// Quotes and commas: every line offers places where a name could end, and
// each falls one field short.
BENCHMARK_CAPTURE(BM_WorstCaseBuffer, quotesAndCommas2048, repeatTo("Summary=\"\",\",\",\",\r\n", 2048));
// Quotes everywhere, one comma at the end.
BENCHMARK_CAPTURE(BM_WorstCaseBuffer, quotes2048, repeatTo("\"", 2047, "Summary=\"") + ",");
// Many short summary-like lines, each one field short.
BENCHMARK_CAPTURE(BM_WorstCaseBuffer, shortLines2048, repeatTo("Summary=\"x\",1,2,3,4,5\r\n", 2048));
// An acknowledgement being awaited while junk arrives.
void BM_AcknowledgementJunk(benchmark::State &state)
{
    MLDeviceManager &m = manager();
    m.setPendingNewPropertyKey(MLDeviceKeys::DeviceName);
    m.setPendingNewPropertyValue(QStringLiteral("Lab"));
    const QByteArray junk = repeatTo("xname = \r\n", 2048);
    for (auto _ : state) {
        m.setCurrentDeviceCommand(MLDeviceCommandRename);
        m.setSerialBuffer(junk);
        m.processReceivedData();
    }
}
BENCHMARK(BM_AcknowledgementJunk);

// Compilations after warm-up: must stay at zero.
void BM_CompilationsAfterWarmUp(benchmark::State &state)
{
    MLDeviceManager &m = manager();
    m.setCurrentDeviceCommand(MLDeviceCommandSummary);
    m.setSerialBuffer(kSummary);
    m.processReceivedData();
    const quint64 before = MLRegex::compilationCount();
    for (auto _ : state) {
        m.setCurrentDeviceCommand(MLDeviceCommandSummary);
        m.setSerialBuffer(kSummary);
        m.processReceivedData();
    }
    state.counters["compilations"] = double(MLRegex::compilationCount() - before);
    if (MLRegex::compilationCount() != before)
        state.SkipWithError("patterns were compiled again");
}
BENCHMARK(BM_CompilationsAfterWarmUp);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
