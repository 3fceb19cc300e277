#include "midi/VirtualUnit.h"

#include "data/FactoryPrograms.h"
#include "midi/SysexMessages.h"

#include <algorithm>

namespace vr
{
namespace
{
constexpr std::uint8_t kSysexStart = 0xf0;
constexpr std::uint8_t kUniversalNonRealTime = 0x7e;
constexpr std::uint8_t kAllDevices = 0x7f;

// The last stretch of a timed wait is spun: a sleeping thread wakes up to a
// few hundred microseconds late, which is most of a byte on the wire.
constexpr std::chrono::microseconds kSpinTime{200};

// The knob a corrupting memory spoils: its level moves one step and stays in
// range, so the program still reads back as one the unit could hold.
constexpr int kProgramLevelKnob = 9;

ProgramRecord recordAt (const std::uint8_t* data)
{
    ProgramRecord record{};
    std::copy (data, data + kRecordSize, record.begin());
    return record;
}
} // namespace

//==============================================================================
class VirtualUnit::InputPort final : public MidiInputPort
{
public:
    explicit InputPort (std::shared_ptr<VirtualUnit> owner)
        : unit (std::move (owner))
        , delivery (std::make_shared<Delivery>())
    {
    }

    ~InputPort() override { stop(); }

    juce::String getName() const override { return unit->getName(); }

    void start (MidiMessageSink& sink) override
    {
        {
            const std::scoped_lock sl (delivery->lock);
            delivery->sink = &sink;
        }
        unit->attach (delivery);
    }

    void stop() override
    {
        unit->detach (delivery);
        // Waits for a delivery in progress; later ones find no sink.
        const std::scoped_lock sl (delivery->lock);
        delivery->sink = nullptr;
    }

private:
    std::shared_ptr<VirtualUnit> unit;
    std::shared_ptr<Delivery> delivery;
};

class VirtualUnit::OutputPort final : public MidiOutputPort
{
public:
    explicit OutputPort (std::shared_ptr<VirtualUnit> owner)
        : unit (std::move (owner))
    {
    }

    juce::String getName() const override { return unit->getName(); }
    void sendMessageNow (const juce::MidiMessage& message) override { unit->receive (message); }

private:
    std::shared_ptr<VirtualUnit> unit;
};

//==============================================================================
VirtualUnit::VirtualUnit (const Settings& initial)
    : settings (initial)
{
    settings.channel &= 0x0f;
    // A new unit ships with the factory sounds in its user banks.
    const auto& factory = factoryTable();
    std::copy (factory.begin(), factory.begin() + kNumUserPrograms, userPrograms.begin());
    editBuffer = userPrograms[0];
    if (settings.simulatedClockMs == nullptr)
        worker = std::thread (&VirtualUnit::run, this);
}

VirtualUnit::~VirtualUnit()
{
    // Joining from the unit's own thread would hang: a sink must not drop the
    // last port from inside a delivery.
    jassert (std::this_thread::get_id() != worker.get_id());
    {
        const std::scoped_lock sl (mutex);
        quit = true;
    }
    wake.notify_all();
    if (worker.joinable())
        worker.join();
}

VirtualUnit::Clock::time_point VirtualUnit::now() const
{
    if (settings.simulatedClockMs == nullptr)
        return Clock::now();
    // Rounded, not truncated: a time read back from nextDueTime() is that due time.
    return Clock::time_point (std::chrono::round<Clock::duration> (
        std::chrono::duration<double, std::milli> (settings.simulatedClockMs())));
}

std::unique_ptr<MidiInputPort> VirtualUnit::createInputPort()
{
    return std::make_unique<InputPort> (shared_from_this());
}

std::unique_ptr<MidiOutputPort> VirtualUnit::createOutputPort()
{
    return std::make_unique<OutputPort> (shared_from_this());
}

juce::String VirtualUnit::getName() const
{
    const std::scoped_lock sl (mutex);
    return settings.modelCode == sysex::kModelHeron ? "Virtual heron unit" : "Virtual wren unit";
}

//==============================================================================
void VirtualUnit::turnKnob (int parameter, int value)
{
    const int byte = parameterToByte (parameter);
    if (byte < 0)
        return;
    const std::scoped_lock sl (mutex);
    editBuffer[static_cast<size_t> (byte)] = sysex::dataByte (value);
    // A type chosen on the panel switches its effect on and narrows its knobs.
    applyTypeChoice (editBuffer, byte, sysex::dataByte (value) % 100);
    sendLocked (sysex::parameterChangeFor (settings.modelCode, parameter, value), now());
}

void VirtualUnit::selectProgram (int programNumber)
{
    if (programNumber < 0 || programNumber >= kNumPrograms)
        return;
    const std::scoped_lock sl (mutex);
    loadProgram (programNumber);
    const auto at = now();
    for (const auto& message : sysex::programSelect (settings.channel, programNumber))
        sendLocked (message, at);
}

void VirtualUnit::writeOnPanel (int programNumber)
{
    if (!isUserProgram (programNumber))
        return;
    const std::scoped_lock sl (mutex);
    userPrograms[static_cast<size_t> (programNumber)] = editBuffer;
    currentProgram = programNumber;
    bank = bankOf (programNumber);
    sendLocked (sysex::programDump (settings.modelCode, programNumber, editBuffer), now());
}

//==============================================================================
std::uint8_t VirtualUnit::getModelCode() const
{
    const std::scoped_lock sl (mutex);
    return settings.modelCode;
}

int VirtualUnit::getChannel() const
{
    const std::scoped_lock sl (mutex);
    return settings.channel;
}

void VirtualUnit::setChannel (int channel)
{
    const std::scoped_lock sl (mutex);
    settings.channel = channel & 0x0f;
}

ProgramRecord VirtualUnit::getEditBuffer() const
{
    const std::scoped_lock sl (mutex);
    return editBuffer;
}

void VirtualUnit::setEditBuffer (const ProgramRecord& record)
{
    const std::scoped_lock sl (mutex);
    editBuffer = record;
}

ProgramRecord VirtualUnit::getProgram (int programNumber) const
{
    const std::scoped_lock sl (mutex);
    return programLocked (programNumber);
}

void VirtualUnit::setUserProgram (int programNumber, const ProgramRecord& record)
{
    if (!isUserProgram (programNumber))
        return;
    const std::scoped_lock sl (mutex);
    userPrograms[static_cast<size_t> (programNumber)] = record;
}

int VirtualUnit::getCurrentProgram() const
{
    const std::scoped_lock sl (mutex);
    return currentProgram;
}

void VirtualUnit::setDinPacing (bool enabled)
{
    const std::scoped_lock sl (mutex);
    settings.dinPacing = enabled;
}

void VirtualUnit::setProcessingDelay (std::chrono::microseconds delay)
{
    const std::scoped_lock sl (mutex);
    settings.processingDelay = std::max (delay, std::chrono::microseconds (0));
}

void VirtualUnit::dropNextReplies (int count)
{
    const std::scoped_lock sl (mutex);
    repliesToDrop = std::max (count, 0);
}

void VirtualUnit::answerNextDumpRequestsWithNextProgram (int count)
{
    const std::scoped_lock sl (mutex);
    dumpsWithNextNumber = std::max (count, 0);
}

void VirtualUnit::failNextDumpRequests (int count)
{
    const std::scoped_lock sl (mutex);
    dumpsToFail = std::max (count, 0);
}

void VirtualUnit::repeatNextReplies (int count)
{
    const std::scoped_lock sl (mutex);
    repliesToRepeat = std::max (count, 0);
}

void VirtualUnit::delayNextReplies (int count, std::chrono::microseconds delay)
{
    const std::scoped_lock sl (mutex);
    repliesToDelay = std::max (count, 0);
    replyDelay = std::max (delay, std::chrono::microseconds (0));
}

void VirtualUnit::setSilent (bool shouldBeSilent)
{
    const std::scoped_lock sl (mutex);
    silent = shouldBeSilent;
}

void VirtualUnit::setMemoryFault (MemoryFault fault)
{
    const std::scoped_lock sl (mutex);
    memoryFault = fault;
}

void VirtualUnit::protectNextStores (int count)
{
    const std::scoped_lock sl (mutex);
    countedMemoryFault = MemoryFault::protect;
    storesToSpoil = std::max (count, 0);
}

void VirtualUnit::corruptNextStores (int count)
{
    const std::scoped_lock sl (mutex);
    countedMemoryFault = MemoryFault::corrupt;
    storesToSpoil = std::max (count, 0);
}

int VirtualUnit::getSpoiledStoreCount() const
{
    const std::scoped_lock sl (mutex);
    return spoiledStores;
}

void VirtualUnit::clearFaults()
{
    const std::scoped_lock sl (mutex);
    memoryFault = MemoryFault::none;
    storesToSpoil = 0;
    repliesToDrop = 0;
    dumpsWithNextNumber = 0;
    dumpsToFail = 0;
    repliesToRepeat = 0;
    repliesToDelay = 0;
    silent = false;
}

bool VirtualUnit::hasFaultsPending() const
{
    const std::scoped_lock sl (mutex);
    return repliesToDrop > 0 || dumpsWithNextNumber > 0 || dumpsToFail > 0 || repliesToRepeat > 0 ||
           repliesToDelay > 0 || silent || storesToSpoil > 0 || memoryFault != MemoryFault::none;
}

bool VirtualUnit::waitUntilIdle (std::chrono::milliseconds timeout) const
{
    std::unique_lock lock (mutex);
    if (settings.simulatedClockMs != nullptr)
        return inbound.empty() && outbound.empty() && !busy;
    return idle.wait_for (lock, timeout, [this] { return inbound.empty() && outbound.empty() && !busy; });
}

//==============================================================================
void VirtualUnit::receive (const juce::MidiMessage& message)
{
    {
        const std::scoped_lock sl (mutex);
        // The inbound wire is serial: a message starts when the one before it
        // has finished.
        const auto arrived = std::max (now(), inboundWireFree) + wireTime (message);
        inboundWireFree = arrived;
        // So is the unit: it works on a message once it is in and the one
        // before is done. The reply is only put on the wire after that, so the
        // front panel can still send meanwhile.
        const auto processed = std::max (arrived, processorFree) + settings.processingDelay;
        processorFree = processed;
        inbound.push_back ({message, processed});
    }
    wake.notify_one();
}

void VirtualUnit::attach (const std::shared_ptr<Delivery>& delivery)
{
    const std::scoped_lock sl (mutex);
    if (std::find (deliveries.begin(), deliveries.end(), delivery) == deliveries.end())
        deliveries.push_back (delivery);
}

void VirtualUnit::detach (const std::shared_ptr<Delivery>& delivery)
{
    const std::scoped_lock sl (mutex);
    deliveries.erase (std::remove (deliveries.begin(), deliveries.end(), delivery), deliveries.end());
}

void VirtualUnit::run()
{
    std::unique_lock lock (mutex);
    while (!quit)
    {
        if (inbound.empty() && outbound.empty())
        {
            busy = false;
            idle.notify_all();
            wake.wait (lock, [this] { return quit || !inbound.empty() || !outbound.empty(); });
            continue;
        }

        busy = true;
        if (!processNextDue (lock))
        {
            const bool outboundFirst =
                !outbound.empty() && (inbound.empty() || outbound.front().due <= inbound.front().due);
            waitPrecisely (lock, outboundFirst ? outbound.front().due : inbound.front().due);
            // Something earlier may have been queued meanwhile.
        }
    }
}

bool VirtualUnit::processNextDue (std::unique_lock<std::mutex>& lock)
{
    if (inbound.empty() && outbound.empty())
        return false;

    // Both wires run at once; whichever message is due first goes first.
    const bool outboundFirst =
        !outbound.empty() && (inbound.empty() || outbound.front().due <= inbound.front().due);
    const auto due = outboundFirst ? outbound.front().due : inbound.front().due;
    if (now() < due)
        return false;

    if (outboundFirst)
    {
        const auto message = std::move (outbound.front().message);
        outbound.pop_front();
        deliver (message, lock);
    }
    else
    {
        const auto incoming = std::move (inbound.front());
        inbound.pop_front();
        handle (incoming);
    }
    return true;
}

void VirtualUnit::pump()
{
    jassert (settings.simulatedClockMs != nullptr);
    std::unique_lock lock (mutex);
    busy = true;
    while (processNextDue (lock))
    {
    }
    busy = false;
}

double VirtualUnit::nextDueTime() const
{
    const std::scoped_lock sl (mutex);
    auto earliest = Clock::time_point::max();
    if (!inbound.empty())
        earliest = inbound.front().due;
    if (!outbound.empty())
        earliest = std::min (earliest, outbound.front().due);
    if (earliest == Clock::time_point::max())
        return -1.0;
    return std::chrono::duration<double, std::milli> (earliest.time_since_epoch()).count();
}

void VirtualUnit::waitPrecisely (std::unique_lock<std::mutex>& lock, Clock::time_point due)
{
    const auto spinFrom = due - kSpinTime;
    if (Clock::now() < spinFrom)
    {
        wake.wait_until (lock, spinFrom);
        return;
    }
    lock.unlock();
    while (Clock::now() < due)
        std::this_thread::yield();
    lock.lock();
}

void VirtualUnit::deliver (const juce::MidiMessage& message, std::unique_lock<std::mutex>& lock)
{
    bytesSent += static_cast<std::uint64_t> (message.getRawDataSize());
    const auto targets = deliveries;
    lock.unlock();

    juce::MidiMessage stamped (message);
    stamped.setTimeStamp (settings.simulatedClockMs != nullptr
                              ? settings.simulatedClockMs() * 0.001
                              : juce::Time::getMillisecondCounterHiRes() * 0.001);
    for (const auto& delivery : targets)
    {
        const std::scoped_lock sl (delivery->lock);
        if (delivery->sink != nullptr)
            delivery->sink->messageArrived (stamped);
    }

    lock.lock();
}

//==============================================================================
void VirtualUnit::handle (const Pending& incoming)
{
    const auto* data = incoming.message.getRawData();
    const int size = incoming.message.getRawDataSize();
    bytesReceived += static_cast<std::uint64_t> (size);
    if (data == nullptr || size < 1)
        return;

    // Timed from when it was due, not from when this thread got to it, so a
    // late wake-up does not push back everything after it.
    const auto ready = incoming.due;

    if (data[0] != kSysexStart)
        handleChannelMessage (data, size);
    else if (size >= 5 && data[1] == kUniversalNonRealTime && data[3] == 0x06 && data[4] == 0x01)
        handleIdentityRequest (data, ready);
    else if (size >= sysex::kHeaderSize && data[1] == sysex::kManufacturerId &&
             data[2] == sysex::kFormatByte && data[4] == 0x01 && data[5] == 0x0f)
        handleMaker (data, size, ready);
}

void VirtualUnit::handleIdentityRequest (const std::uint8_t* data, Clock::time_point ready)
{
    if (data[2] != kAllDevices && data[2] != settings.channel)
        return;
    const std::uint8_t identity[] = {kSysexStart,
                                     kUniversalNonRealTime,
                                     static_cast<std::uint8_t> (settings.channel),
                                     0x06,
                                     0x02,
                                     sysex::kManufacturerId,
                                     0x0f,
                                     0x01,
                                     sysex::dataByte (settings.modelCode),
                                     0x00,
                                     sysex::dataByte (settings.versionMinor),
                                     0x00,
                                     sysex::dataByte (settings.versionMajor),
                                     0x00,
                                     0xf7};
    reply (juce::MidiMessage (identity, static_cast<int> (sizeof (identity))), ready);
}

void VirtualUnit::handleMaker (const std::uint8_t* data, int size, Clock::time_point ready)
{
    namespace Code = sysex::Code;
    const auto model = settings.modelCode;
    // A message is handled only if every byte its handling reads, counted from
    // F0, is a data byte: the F7 of a short message must not pass for a value.
    int dataEnd = 1;
    while (dataEnd < size && data[dataEnd] < 0x80)
        ++dataEnd;
    auto holds = [dataEnd] (int count) { return dataEnd >= count; };
    auto numberAt = [data] (int offset) { return sysex::numberFromPair (data[offset], data[offset + 1]); };
    auto answer = [this, model, ready] (int code) { reply (sysex::makerMessage (model, code), ready); };

    switch (data[6])
    {
        case Code::currentProgramDumpRequest:
            reply (sysex::currentProgramDump (model, editBuffer), ready);
            break;

        case Code::programDumpRequest:
            if (holds (9))
                handleProgramDumpRequest (numberAt (7), ready);
            break;

        case Code::programDump:
            if (holds (9 + kRecordSize))
            {
                const int number = numberAt (7);
                if (isUserProgram (number))
                {
                    storeProgram (number, recordAt (data + 9));
                    answer (Code::operationCompleted);
                }
                else
                {
                    answer (Code::operationFailed);
                }
            }
            break;

        case Code::programWriteRequest:
            if (holds (9))
            {
                const int number = numberAt (7);
                if (isUserProgram (number))
                {
                    storeProgram (number, editBuffer);
                    answer (Code::operationCompleted);
                }
                else
                {
                    answer (Code::operationFailed);
                }
            }
            break;

        case Code::currentProgramNumberRequest:
            reply (sysex::makerMessage (model, Code::currentProgramNumber,
                                        {0x00, bankOf (currentProgram), programInBank (currentProgram)}),
                   ready);
            break;

        case Code::currentProgramDump:
            if (holds (7 + kRecordSize))
                editBuffer = recordAt (data + 7);
            break;

        case Code::parameterChange:
            // The unit only stores: dependent limits are the editor's business.
            if (holds (11) && data[7] == 0x01)
            {
                const int byte = parameterToByte (data[8]);
                if (byte >= 0)
                    editBuffer[static_cast<size_t> (byte)] = data[10];
            }
            break;

        default: // program-number notice and anything unknown: no answer
            break;
    }
}

void VirtualUnit::handleProgramDumpRequest (int programNumber, Clock::time_point ready)
{
    const auto model = settings.modelCode;
    if (dumpsToFail > 0)
    {
        --dumpsToFail;
        reply (sysex::makerMessage (model, sysex::Code::operationFailed), ready);
        return;
    }
    if (!isUserProgram (programNumber))
    {
        reply (sysex::makerMessage (model, sysex::Code::operationFailed), ready);
        return;
    }
    if (dumpsWithNextNumber > 0)
    {
        --dumpsWithNextNumber;
        programNumber = (programNumber + 1) % kNumUserPrograms;
    }
    reply (sysex::programDump (model, programNumber, userPrograms[static_cast<size_t> (programNumber)]),
           ready);
}

void VirtualUnit::handleChannelMessage (const std::uint8_t* data, int size)
{
    if ((data[0] & 0x0f) != settings.channel)
        return;
    const int status = data[0] & 0xf0;
    if (status == 0xb0 && size >= 3 && data[1] == 0)
    {
        bank = data[2];
    }
    else if (status == 0xc0 && size >= 2)
    {
        // Four banks of 100: a number the unit does not hold is ignored.
        const int inBank = data[1];
        const int number = bank * 100 + inBank;
        if (inBank < 100 && number < kNumPrograms)
            loadProgram (number);
    }
}

void VirtualUnit::reply (const juce::MidiMessage& message, Clock::time_point ready)
{
    if (silent)
        return;
    if (repliesToDrop > 0)
    {
        --repliesToDrop;
        return;
    }
    if (repliesToDelay > 0)
    {
        --repliesToDelay;
        ready += replyDelay;
    }
    sendLocked (message, ready);
    if (repliesToRepeat > 0)
    {
        --repliesToRepeat;
        sendLocked (message, ready);
    }
}

void VirtualUnit::sendLocked (const juce::MidiMessage& message, Clock::time_point ready)
{
    if (silent)
        return;
    // The outbound wire is serial too, and keeps the order messages were sent in.
    const auto start = std::max (ready, outboundWireFree);
    const auto due = start + wireTime (message);
    outboundWireFree = due;
    outbound.push_back ({message, due});
    wake.notify_one();
}

void VirtualUnit::loadProgram (int programNumber)
{
    currentProgram = programNumber;
    bank = bankOf (programNumber);
    editBuffer = programLocked (programNumber);
}

void VirtualUnit::storeProgram (int programNumber, const ProgramRecord& record)
{
    auto fault = memoryFault;
    if (storesToSpoil > 0)
    {
        --storesToSpoil;
        fault = countedMemoryFault;
    }

    auto& slot = userPrograms[static_cast<size_t> (programNumber)];
    if (fault == MemoryFault::protect)
    {
        spoiledStores += slot != record ? 1 : 0;
        return;
    }
    slot = record;
    if (fault == MemoryFault::corrupt)
    {
        auto& level = slot[static_cast<size_t> (knobIndexToByte (kProgramLevelKnob))];
        // Spoiled, yet still a value a knob can show (0-30).
        level = static_cast<std::uint8_t> (level < 30 ? level + 1 : level - 1);
        ++spoiledStores;
    }
}

ProgramRecord VirtualUnit::programLocked (int programNumber) const
{
    if (isUserProgram (programNumber))
        return userPrograms[static_cast<size_t> (programNumber)];
    if (programNumber >= kNumUserPrograms && programNumber < kNumPrograms)
        return factoryProgram (programNumber);
    return {};
}

VirtualUnit::Clock::duration VirtualUnit::wireTime (const juce::MidiMessage& message) const
{
    if (!settings.dinPacing)
        return Clock::duration::zero();
    return kWireTimePerByte * message.getRawDataSize();
}
} // namespace vr
