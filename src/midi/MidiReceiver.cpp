#include "MidiReceiver.h"

#include "data/DataCenter.h"
#include "data/FactoryPrograms.h"
#include "library/ProgramLists.h"

#include <chrono>
#include <thread>

namespace vr
{
namespace
{
constexpr int kWatchdogPeriodMs = 250;

// Pauses the unit needs between messages.
constexpr int kPauseBeforeRequestMs = 1;
constexpr int kPauseAfterSelectMs = 5;
constexpr int kPauseAfterWriteRequestMs = 150;
constexpr int kPauseAfterNumberNoticeMs = 200;

// The unit needs these pauses and no more: sleep most of it, then wait out
// the rest, since a plain sleep overshoots by a tenth of a millisecond and a
// transfer makes two hundred of them.
void pauseFor (int milliseconds)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds (milliseconds);
    const auto sleepable = std::chrono::milliseconds (milliseconds) - std::chrono::microseconds (200);
    if (sleepable.count() > 0)
        std::this_thread::sleep_for (sleepable);
    while (std::chrono::steady_clock::now() < until)
        std::this_thread::yield();
}

ProgramRecord recordFrom (const std::vector<std::uint8_t>& bytes, size_t offset)
{
    ProgramRecord record{};
    std::copy_n (bytes.begin() + static_cast<std::ptrdiff_t> (offset), kRecordSize, record.begin());
    return record;
}
} // namespace

MidiReceiver::MidiReceiver (DataCenter& store)
    : pause (pauseFor)
    , dataCenter (store)
    , clock ([] { return juce::Time::getMillisecondCounterHiRes(); })
{
}

MidiReceiver::~MidiReceiver()
{
    stopInput();
    stopTimer();
    cancelPendingUpdate();
}

//==============================================================================
void MidiReceiver::setInput (std::unique_ptr<MidiInputPort> newInput)
{
    stopInput();
    input = std::move (newInput);
    if (input != nullptr)
        input->start (*this);
}

void MidiReceiver::setOutput (std::unique_ptr<MidiOutputPort> newOutput)
{
    output = std::move (newOutput);
}

void MidiReceiver::stopInput()
{
    if (input != nullptr)
        input->stop();

    const juce::ScopedLock sl (queueLock);
    queue.clear();
}

void MidiReceiver::setProgramLists (UnitProgramList* unit, RomFileProgramList* romAndFiles) noexcept
{
    unitList = unit;
    romList = romAndFiles;
}

void MidiReceiver::messageArrived (const juce::MidiMessage& message)
{
    {
        const juce::ScopedLock sl (queueLock);
        queue.push_back (message);
    }
    triggerAsyncUpdate();
}

void MidiReceiver::handleAsyncUpdate()
{
    handleQueuedMessages();
}

void MidiReceiver::handleQueuedMessages()
{
    for (;;)
    {
        juce::MidiMessage next;
        {
            const juce::ScopedLock sl (queueLock);
            if (queue.empty())
                return;
            next = std::move (queue.front());
            queue.pop_front();
        }
        handleMessage (next);
    }
}

//==============================================================================
void MidiReceiver::send (const juce::MidiMessage& message)
{
    if (output != nullptr)
        output->sendMessageNow (message);
}

void MidiReceiver::sendIdentityRequest()
{
    send (sysex::identityRequest());
}

void MidiReceiver::requestCurrentProgram()
{
    send (sysex::currentProgramDumpRequest (dataCenter.modelCode));
}

void MidiReceiver::requestProgram (int programNumber)
{
    send (sysex::programDumpRequest (dataCenter.modelCode, programNumber));
}

void MidiReceiver::requestProgramNumber()
{
    if (output == nullptr)
        return;
    send (sysex::currentProgramNumberRequest (dataCenter.modelCode));
    awaitingNumber = true;
}

void MidiReceiver::sendProgramNumberNotice()
{
    if (output == nullptr)
        return;
    send (sysex::programNumberNotice (dataCenter.modelCode, dataCenter.selectedProgram));
    pause (kPauseAfterNumberNoticeMs);
}

void MidiReceiver::sendWriteRequest (int programNumber)
{
    if (output == nullptr)
        return;
    send (sysex::programWriteRequest (dataCenter.modelCode, programNumber));
    pause (kPauseAfterWriteRequestMs);
    sendProgramNumberNotice();
}

void MidiReceiver::sendProgramDump (int programNumber)
{
    if (output == nullptr || programNumber < 0 || programNumber >= kNumUserPrograms)
        return;
    const auto record = unitList != nullptr ? unitList->recordAt (programNumber) : ProgramRecord{};
    send (sysex::programDump (dataCenter.modelCode, programNumber, record));
}

void MidiReceiver::sendCurrentProgram()
{
    send (sysex::currentProgramDump (dataCenter.modelCode, dataCenter.current));
}

void MidiReceiver::sendListRow (int rowNumber)
{
    if (output == nullptr || rowNumber < 0 || rowNumber >= 1000)
        return;

    ProgramRecord record{};
    if (rowNumber < kNumUserPrograms)
    {
        if (unitList != nullptr)
            record = unitList->recordAt (rowNumber);
    }
    else if (romList != nullptr)
    {
        record = romList->recordAt (rowNumber - kNumUserPrograms);
    }
    send (sysex::currentProgramDump (dataCenter.modelCode, record));
}

void MidiReceiver::selectProgram (int programNumber)
{
    if (output == nullptr)
        return;
    for (const auto& message : sysex::programSelect (dataCenter.midiChannel, programNumber))
        send (message);
    pause (kPauseAfterSelectMs);
    dataCenter.setSelectedProgram (programNumber);
}

//==============================================================================
void MidiReceiver::startReceiveAll()
{
    sendProgramNumberNotice();
    dataCenter.saveCurrent();
    transferIndex = 0;
    dataCenter.setCurrentProgramNumber (0);
    bulkReceive = true;
    noteProgress();
    requestProgram (0);
}

void MidiReceiver::startTransmitAll (bool modifiedOnlyMode)
{
    sendProgramNumberNotice();
    dataCenter.saveCurrent();
    transferIndex = 0;
    modifiedOnly = modifiedOnlyMode;
    bulkTransmit = true;
    noteProgress();
    // Program 0 goes first in both modes; its modified flag is cleared when
    // the unit acknowledges it, so an unacknowledged slot stays marked.
    sendProgramDump (0);
}

void MidiReceiver::finishTransfer()
{
    // Only a transfer that saved the edit buffer has one to put back.
    if (dataCenter.bulkTransfer)
        dataCenter.restoreSaved();
    sendCurrentProgram();
    sendChangeMessage();
}

void MidiReceiver::requestStep (int code)
{
    if (commandTarget != nullptr)
        commandTarget->requestStep (code);
}

//==============================================================================
void MidiReceiver::handleMessage (const juce::MidiMessage& message)
{
    const auto in = sysex::classify (message);

    switch (in.kind)
    {
        case sysex::Incoming::Kind::identityReply:
            handleIdentityReply (in);
            break;
        case sysex::Incoming::Kind::maker:
            handleMaker (in);
            break;
        case sysex::Incoming::Kind::bankSelect:
            if (!bulkReceive && !bulkTransmit)
                dataCenter.bank = in.value & 3;
            break;
        case sysex::Incoming::Kind::programChange:
            if (!bulkReceive && !bulkTransmit)
                handleProgramChange (in.value);
            break;
        case sysex::Incoming::Kind::ignored:
            break;
    }
}

void MidiReceiver::handleIdentityReply (const sysex::Incoming& in)
{
    dataCenter.modelCode = in.modelCode;
    dataCenter.connected = true;
    requestStep (DeferredStep::connected);

    dataCenter.midiChannel = in.channel;
    dataCenter.versionMajor = in.versionMajor;
    dataCenter.versionMinor = in.versionMinor;
    ++identityCount;

    sendProgramNumberNotice();

    // Every identification starts a Receive All, beginning with the edit buffer.
    transferIndex = 0;
    bulkReceive = true;
    noteProgress();
    requestCurrentProgram();
}

void MidiReceiver::handleMaker (const sysex::Incoming& in)
{
    bool endedReceive = false;

    switch (in.functionCode)
    {
        case sysex::Code::operationCompleted:
            handleOperationCompleted();
            break;
        case sysex::Code::operationFailed:
            handleOperationFailed();
            break;
        case sysex::Code::currentProgramDump:
            handleCurrentProgramDump (in.bytes);
            break;
        case sysex::Code::parameterChange:
            handleParameterChange (in.bytes);
            break;
        case sysex::Code::currentProgramNumber:
            handleCurrentProgramNumber (in.bytes);
            return; // answers the request: no repeat
        case sysex::Code::programDump:
            endedReceive = handleProgramDump (in.bytes);
            break;
        default:
            break;
    }

    // The unit may have missed the number request: ask again after each
    // message until it answers.
    if (awaitingNumber && !endedReceive)
        requestProgramNumber();
}

void MidiReceiver::handleOperationCompleted()
{
    if (bulkTransmit)
    {
        noteProgress();
        if (transferIndex >= 0 && transferIndex < kNumUserPrograms)
            dataCenter.modified[static_cast<size_t> (transferIndex)] = 0;

        ++transferIndex;
        if (modifiedOnly)
            while (transferIndex < kNumUserPrograms &&
                   dataCenter.modified[static_cast<size_t> (transferIndex)] == 0)
                ++transferIndex;

        if (transferIndex >= kNumUserPrograms)
            endTransfer (true);
        else
            sendProgramDump (transferIndex);
    }
    else
    {
        // A write finished: the unit now plays the written slot.
        dataCenter.setCurrentProgramNumber (dataCenter.selectedProgram);
        selectProgram (dataCenter.currentProgramNumber);
    }

    sendChangeMessage();
}

void MidiReceiver::handleOperationFailed()
{
    if (bulkReceive && transferIndex < kNumUserPrograms)
    {
        noteProgress();
        retryCurrentProgram();
    }
}

void MidiReceiver::handleCurrentProgramDump (const std::vector<std::uint8_t>& bytes)
{
    receiveBuffer = recordFrom (bytes, 7);
    dataCenter.setCurrentData (receiveBuffer);

    if (bulkReceive)
    {
        // The receive started by identification: keep the unit's edit buffer
        // aside, then fetch the programs.
        noteProgress();
        dataCenter.saveCurrent();
        dataCenter.setCurrentProgramNumber (0);
        requestStep (DeferredStep::greyOutViews);
        requestProgram (0);
    }

    sendChangeMessage();
}

void MidiReceiver::handleParameterChange (const std::vector<std::uint8_t>& bytes)
{
    if (bulkReceive || bulkTransmit || bytes[7] != 0x01)
        return;

    const int parameter = bytes[8];
    const int value = sysex::numberFromPair (bytes[9], bytes[10]);

    if (parameter < RecordByte::firstType)
        dataCenter.current[static_cast<size_t> (parameter)] = static_cast<std::uint8_t> (value & 0xff);
    else if (parameter < kFirstKnobParameter)
        dataCenter.setType (parameter, value % 100);
    else if (parameter < kFirstKnobParameter + kNumKnobs)
        dataCenter.setKnob (value % 100, parameter - kFirstKnobParameter);

    sendChangeMessage();
}

void MidiReceiver::handleCurrentProgramNumber (const std::vector<std::uint8_t>& bytes)
{
    const bool endsReceive = awaitingNumber && dataCenter.bulkTransfer;
    awaitingNumber = false;

    if (bytes[7] == sysex::kNumberStatusIgnore)
    {
        // No number, but the receive is over all the same: the selected
        // program stays, the saved edit buffer goes back.
        if (endsReceive)
            endTransfer (true);
        return;
    }

    const int n = sysex::numberFromPair (bytes[8], bytes[9]) % kNumPrograms;
    dataCenter.setCurrentProgramNumber (n);
    dataCenter.setSelectedProgram (n);
    stopTimer();
    requestStep (DeferredStep::transferFinished);
}

bool MidiReceiver::handleProgramDump (const std::vector<std::uint8_t>& bytes)
{
    const int n = sysex::numberFromPair (bytes[7], bytes[8]);
    dataCenter.setCurrentProgramNumber (n % kNumPrograms);

    receiveBuffer = recordFrom (bytes, 9);
    if (unitList != nullptr)
    {
        for (int i = 0; i < kRecordSize; ++i)
            unitList->storeByte (n, i, receiveBuffer[static_cast<size_t> (i)]);
        unitList->setRowName (n, decodeName (receiveBuffer.data()));
    }
    dataCenter.setCurrentData (receiveBuffer);

    bool ended = false;
    if (bulkReceive)
    {
        noteProgress();
        if (n != transferIndex)
        {
            retryCurrentProgram();
        }
        else
        {
            retries = 0;
            ++transferIndex;
            if (transferIndex >= kNumUserPrograms)
            {
                bulkReceive = false;
                bulkTransmit = false;
                modifiedOnly = false;
                if (unitList != nullptr)
                    unitList->finishReceive();
                requestStep (DeferredStep::transferEnded);
                requestProgramNumber();
                ended = true;
            }
            else
            {
                pause (kPauseBeforeRequestMs);
                requestProgram (transferIndex);
            }
        }
    }

    sendChangeMessage();
    return ended;
}

void MidiReceiver::handleProgramChange (int programChange)
{
    const int n = dataCenter.bank * 100 + programChange % 100;
    if (n == dataCenter.currentProgramNumber)
        return;

    dataCenter.setCurrentProgramNumber (n);
    dataCenter.setSelectedProgram (n);

    if (isUserProgram (n))
        dataCenter.setCurrentData (unitList != nullptr ? unitList->recordAt (n) : ProgramRecord{});
    else
        dataCenter.setCurrentData (factoryProgram (n));

    sendChangeMessage();
    requestStep (DeferredStep::programSelected);
}

//==============================================================================
void MidiReceiver::setWatchdog (int timeoutMs, int maxRetries) noexcept
{
    watchdogTimeoutMs = timeoutMs;
    watchdogMaxRetries = maxRetries;
}

void MidiReceiver::setClock (std::function<double()> millisecondClock)
{
    clock = std::move (millisecondClock);
}

bool MidiReceiver::transferRunning() const noexcept
{
    return bulkReceive || bulkTransmit || (awaitingNumber && dataCenter.bulkTransfer);
}

void MidiReceiver::noteProgress()
{
    lastProgressMs = clock();
    if (!isTimerRunning())
        startTimer (kWatchdogPeriodMs);
}

void MidiReceiver::retryCurrentProgram()
{
    if (++retries > watchdogMaxRetries)
    {
        const int at = transferIndex;
        endTransfer (true);
        if (commandTarget != nullptr)
            commandTarget->transferAbandoned (at, false);
        return;
    }

    pause (kPauseBeforeRequestMs);
    requestProgram (transferIndex);
}

void MidiReceiver::endTransfer (bool withFinishStep)
{
    bulkReceive = false;
    bulkTransmit = false;
    modifiedOnly = false;
    awaitingNumber = false;
    retries = 0;
    stopTimer();
    requestStep (DeferredStep::transferEnded);
    if (withFinishStep)
        requestStep (DeferredStep::transferFinished);
}

void MidiReceiver::stopTransfer()
{
    if (transferRunning())
        endTransfer (true);
}

void MidiReceiver::checkWatchdog()
{
    if (!transferRunning())
    {
        stopTimer();
        return;
    }

    if (clock() - lastProgressMs < watchdogTimeoutMs)
        return;

    if (bulkReceive || bulkTransmit)
    {
        const int at = transferIndex;
        const bool wasTransmit = bulkTransmit;
        endTransfer (true);
        if (commandTarget != nullptr)
            commandTarget->transferAbandoned (at, wasTransmit);
    }
    else
    {
        // Every program arrived; only the unit's program number did not.
        endTransfer (true);
    }
}
} // namespace vr
