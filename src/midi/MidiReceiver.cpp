#include "MidiReceiver.h"

#include "MidiMonitor.h"
#include "data/DataCenter.h"
#include "data/FactoryPrograms.h"

#include <algorithm>

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

// How long a message of ours may still be on its way to the unit, or in its
// hands, after it left: a change the unit sends within that time may have
// crossed it.
constexpr double kCrossingWindowMs = 60.0;
// A check of what the unit plays that got no answer is asked again, a few times.
constexpr double kResyncAnswerMs = 500.0;
constexpr int kResyncTries = 3;
constexpr int kAskAgainAfterMs = 30;
constexpr int kAnyNumber = -2;
constexpr double kSaidTwiceMs = 100.0;
constexpr double kQuestionLostMs = 5000.0; // beyond any answer merely late

ProgramRecord recordFrom (const std::vector<std::uint8_t>& bytes, size_t offset)
{
    ProgramRecord record{};
    std::copy_n (bytes.begin() + static_cast<std::ptrdiff_t> (offset), kRecordSize, record.begin());
    return record;
}
} // namespace

MidiReceiver::MidiReceiver (DataCenter& store, std::function<double()> simulatedClockMs)
    : pause ([this] (int milliseconds) { sender.pauseFor (milliseconds); })
    , dataCenter (store)
    , sender (simulatedClockMs)
    , clock (simulatedClockMs != nullptr ? simulatedClockMs
                                         : [] { return juce::Time::getMillisecondCounterHiRes(); })
    , simulated (simulatedClockMs != nullptr)
{
}

MidiReceiver::~MidiReceiver()
{
    stopInput();
    stopTimer();
    cancelPendingUpdate();
    sender.setPort (nullptr);
}

//==============================================================================
void MidiReceiver::setInput (std::unique_ptr<MidiInputPort> newInput)
{
    // What already arrived is still handled: only the old port goes.
    if (input != nullptr)
        input->stop();
    input = std::move (newInput);
    if (input != nullptr)
        input->start (*this);
}

void MidiReceiver::setOutput (std::unique_ptr<MidiOutputPort> newOutput)
{
    sender.setPort (newOutput.get());
    // Dropped with the old port, or asked of another unit.
    editBufferQuestions.clear();
    programQuestions.clear();
    output = std::move (newOutput);
}

void MidiReceiver::stopInput()
{
    if (input != nullptr)
        input->stop();

    const juce::ScopedLock sl (queueLock);
    queue.clear();
}

void MidiReceiver::setProgramLists (UnitRows* unit, StoredRows* romAndFiles) noexcept
{
    unitList = unit;
    romList = romAndFiles;
}

void MidiReceiver::messageArrived (const juce::MidiMessage& message)
{
    if (auto* monitor = inputMonitor.load())
        monitor->record (MidiMonitor::Direction::in, message);
    {
        const juce::ScopedLock sl (queueLock);
        if (queue.size() >= kMaxQueuedMessages)
        {
            // A flood: channel messages are the cheapest to lose (the next one
            // says the same), so the oldest of them goes first.
            auto victim = std::find_if (queue.begin(), queue.end(),
                                        [] (const juce::MidiMessage& m) { return !m.isSysEx(); });
            queue.erase (victim != queue.end() ? victim : queue.begin());
            ++dropped;
        }
        queue.push_back (message);
    }
    triggerAsyncUpdate();
}

int MidiReceiver::getQueuedMessageCount() const
{
    const juce::ScopedLock sl (queueLock);
    return static_cast<int> (queue.size());
}

bool MidiReceiver::handleNextQueued()
{
    juce::MidiMessage next;
    {
        const juce::ScopedLock sl (queueLock);
        if (queue.empty())
            return false;
        next = std::move (queue.front());
        queue.pop_front();
    }
    handleMessage (next);
    return true;
}

void MidiReceiver::handleAsyncUpdate()
{
    // A bounded slice per turn of the message loop, so a flood cannot keep
    // the window from painting and reacting.
    if (handlingDepth > 0)
    {
        drainHeldBack = true;
        return;
    }
    for (int i = 0; i < kMessagesPerSlice; ++i)
        if (!handleNextQueued())
            return;
    triggerAsyncUpdate();
}

void MidiReceiver::handleQueuedMessages()
{
    while (handleNextQueued())
    {
    }
}

//==============================================================================
void MidiReceiver::send (const juce::MidiMessage& message)
{
    if (output != nullptr)
    {
        sender.send (message);
        ++sendsAsked;
    }
}

void MidiReceiver::sendIdentityRequest()
{
    send (sysex::identityRequest());
}

void MidiReceiver::requestCurrentProgram()
{
    if (output == nullptr)
        return;
    editBufferAskedAtMs = clock();
    // A question changes nothing on the unit: it is not counted among the sends.
    editBufferQuestions.push_back (
        {sender.send (sysex::currentProgramDumpRequest (dataCenter.modelCode)), clock(), -1, sendsAsked});
}

void MidiReceiver::requestProgram (int programNumber)
{
    if (output == nullptr)
        return;
    programQuestions.push_back (
        {sender.send (sysex::programDumpRequest (dataCenter.modelCode, programNumber)), clock(),
         programNumber, sendsAsked});
}

bool MidiReceiver::saysAgain (const std::vector<std::uint8_t>& bytes)
{
    const bool again = bytes == lastDump && clock() - lastDumpAtMs < kSaidTwiceMs;
    lastDump = bytes;
    lastDumpAtMs = clock();
    return again;
}

void MidiReceiver::forgetQuestions (std::deque<Question>& questions, int number)
{
    questions.erase (std::remove_if (questions.begin(), questions.end(),
                                     [number] (const Question& q) { return q.number == number; }),
                     questions.end());
}

std::optional<MidiReceiver::Question> MidiReceiver::takeAnswer (std::deque<Question>& questions, int number)
{
    // The oldest question gone out that asked for this; one unanswered for
    // long lost its answer.
    while (!questions.empty() && clock() - questions.front().askedAtMs > kQuestionLostMs)
        questions.pop_front();
    const auto sent = sender.lastSentOrdinal();
    const auto it =
        std::find_if (questions.begin(), questions.end(),
                      [number, sent] (const Question& q)
                      { return (number == kAnyNumber || q.number == number) && q.ordinal <= sent; });
    if (it == questions.end())
        return std::nullopt;
    const auto answered = *it;
    questions.erase (it);
    return answered;
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
    // An earlier write's answer makes the unit reload its slot, which may
    // not hold what was sent: the unit stores its edit buffer, so it gets
    // the program to write first.
    if (isWritePending())
        sendCurrentProgram();
    send (sysex::programWriteRequest (dataCenter.modelCode, programNumber));
    ++writeRequests;
    writePending = true;
    writeRequestedMs = clock();
    writtenRecord = dataCenter.current;
    writtenSlot = programNumber;
    // Unknown until read back, as for a transmitted slot.
    dataCenter.unitHoldsUnknown (programNumber);
    pause (kPauseAfterWriteRequestMs);
    sendProgramNumberNotice();
}

void MidiReceiver::sendProgramDump (int programNumber)
{
    if (output == nullptr || programNumber < 0 || programNumber >= kNumUserPrograms)
        return;
    const auto record = unitList != nullptr ? unitList->recordAt (programNumber) : ProgramRecord{};
    // What the slot holds is unknown until it is read back: a transmit
    // stopped before then leaves it marked.
    dataCenter.modified[static_cast<size_t> (programNumber)] = 1;
    dataCenter.unitHoldsUnknown (programNumber);
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

bool MidiReceiver::sendParameterChange (int parameter, int value)
{
    if (output == nullptr)
        return false;
    send (sysex::parameterChangeFor (dataCenter.modelCode, parameter, value));
    // The unit needs time to switch an effect before the next message.
    if (parameter == RecordByte::onOffMask)
        pause (sysex::kOnOffSwitchPauseMs);
    return true;
}

//==============================================================================
bool MidiReceiver::startTransfer (TransferPhase first, int firstIndex, int total)
{
    if (!transfer.start (first, firstIndex, total, clock()))
        return false;
    awaitingNumber = false;
    editBufferSaved = false;
    notStored.clear();
    resyncAskedAtMs = -1.0; // the transfer ends with the unit's edit buffer known
    numbersBefore = {dataCenter.currentProgramNumber, dataCenter.selectedProgram};
    numberFromUnit = false;
    startWatchdog();
    // The read before a transmit leaves the list, and so its history, alone.
    if (first != TransferPhase::transmitting && first != TransferPhase::backingUp && onReceiveStarted)
        onReceiveStarted();
    return true;
}

bool MidiReceiver::startReceiveAll()
{
    if (!startTransfer (TransferPhase::receiving, 0, kNumUserPrograms))
        return false;
    dataCenter.saveCurrent();
    editBufferSaved = true;
    dataCenter.setCurrentProgramNumber (0);
    afterPendingWrite (
        [this]
        {
            sendProgramNumberNotice();
            requestProgram (0);
        });
    return true;
}

int MidiReceiver::nextToTransmit (int from) const
{
    int n = from;
    if (modifiedOnly)
        while (n < kNumUserPrograms && dataCenter.modified[static_cast<size_t> (n)] == 0)
            ++n;
    return n;
}

bool MidiReceiver::startTransmitAll (bool modifiedOnlyMode)
{
    if (transfer.isRunning())
        return false;
    // In modified-only mode a slot goes only when it is modified, slot 0
    // included: an unmodified row 0 need not be the unit's program 0.
    modifiedOnly = modifiedOnlyMode;
    const int first = nextToTransmit (0);
    const int total = modifiedOnly ? dataCenter.countModified() : kNumUserPrograms;
    if (backupBeforeTransmit && !unitBackedUp && first < kNumUserPrograms && output != nullptr)
    {
        // Nothing is sent over programs that exist nowhere else: they are
        // read into a backup first.
        startTransfer (TransferPhase::backingUp, 0, kNumUserPrograms);
        transfer.transmitAfterBackup (first, total);
        dataCenter.saveCurrent();
        editBufferSaved = true;
        backupRead.assign (static_cast<size_t> (kNumUserPrograms), ProgramRecord{});
        afterPendingWrite (
            [this]
            {
                sendProgramNumberNotice();
                requestProgram (0);
            });
        return true;
    }
    startTransfer (TransferPhase::transmitting, first, total);
    dataCenter.saveCurrent();
    editBufferSaved = true;
    if (first >= kNumUserPrograms)
    {
        transferOver (Transfer::Next::finish);
        return true;
    }
    // A slot's modified flag is cleared when the unit acknowledges it, so an
    // unacknowledged slot stays marked.
    afterPendingWrite (
        [this]
        {
            sendProgramNumberNotice();
            sendProgramDump (transfer.getIndex());
        });
    return true;
}

void MidiReceiver::afterPendingWrite (std::function<void()> firstSends)
{
    // One request that awaits an answer on the wire at a time: the unit's
    // acknowledgement of the write must not be taken for the transfer's.
    if (isWritePending())
        heldStart = std::move (firstSends);
    else
        firstSends();
}

void MidiReceiver::releaseHeldStart()
{
    writePending = false;
    if (auto firstSends = std::exchange (heldStart, nullptr))
    {
        transfer.noteProgress (clock());
        firstSends();
    }
}

void MidiReceiver::carryOut (Transfer::Next next)
{
    using Next = Transfer::Next;
    switch (next)
    {
        case Next::nothing:
            break;
        case Next::requestEditBuffer:
            // Asked again after a time-out: the earlier answer was lost (a
            // late one then answers this).
            if (transfer.isRetry())
                forgetQuestions (editBufferQuestions, -1);
            pause (kPauseBeforeRequestMs);
            requestCurrentProgram();
            break;
        case Next::requestProgram:
            if (transfer.isRetry())
                forgetQuestions (programQuestions, transfer.getIndex());
            pause (kPauseBeforeRequestMs);
            requestProgram (transfer.getIndex());
            break;
        case Next::sendProgram:
            if (transfer.isRetry())
                pause (kPauseBeforeRequestMs);
            sendProgramDump (transfer.getIndex());
            break;
        case Next::requestNumber:
            modifiedOnly = false;
            unitBackedUp = true;
            if (unitList != nullptr)
                unitList->finishReceive();
            requestStep (DeferredStep::transferEnded);
            requestProgramNumber();
            break;
        case Next::finish:
        case Next::giveUp:
            transferOver (next);
            break;
    }
}

void MidiReceiver::transferOver (Transfer::Next how)
{
    heldStart = nullptr;
    modifiedOnly = false;
    awaitingNumber = false;
    stopTimer();
    requestStep (DeferredStep::transferEnded);
    requestStep (DeferredStep::transferFinished);
    if (!notStored.empty() && commandTarget != nullptr)
        commandTarget->notStoredAsSent (notStored, true);
    notStored.clear();
    if (how == Transfer::Next::giveUp && commandTarget != nullptr &&
        transfer.getEndedFrom() != TransferPhase::verifying)
    {
        const bool wasTransmit = transfer.getEndedFrom() == TransferPhase::transmitting ||
                                 transfer.getEndedFrom() == TransferPhase::backingUp;
        commandTarget->transferAbandoned (
            transfer.getEndedFrom() == TransferPhase::identifying ? -1 : transfer.getIndex(), wasTransmit);
    }
}

void MidiReceiver::stopTransfer()
{
    const auto phase = transfer.getPhase();
    if (phase == TransferPhase::idle || phase == TransferPhase::finishing)
        return;
    transfer.end();
    transferOver (Transfer::Next::finish);
}

void MidiReceiver::finishTransfer()
{
    const bool hadSaved = std::exchange (editBufferSaved, false);
    const bool wasTransfer = transfer.isRunning();
    transfer.finished();

    if (dataCenter.bulkTransfer)
        dataCenter.restoreSaved();
    // A transfer the unit did not end with its program number leaves the
    // player on the program they were on, not on the last one that passed.
    if (wasTransfer && !std::exchange (numberFromUnit, true))
    {
        dataCenter.setCurrentProgramNumber (numbersBefore.current);
        dataCenter.setSelectedProgram (numbersBefore.selected);
    }

    // A transfer given up before it set the unit's edit buffer aside has
    // nothing of the unit's to give back: sending the editor's would
    // overwrite what the unit plays.
    if (hadSaved || !wasTransfer)
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
    ++handlingDepth;

    switch (in.kind)
    {
        case sysex::Incoming::Kind::identityReply:
            handleIdentityReply (in);
            break;
        case sysex::Incoming::Kind::maker:
            handleMaker (in);
            break;
        case sysex::Incoming::Kind::bankSelect:
            if (!transfer.isRunning())
                dataCenter.bank = in.value & 3;
            break;
        case sysex::Incoming::Kind::programChange:
            if (!transfer.isRunning())
                handleProgramChange (in.value);
            break;
        case sysex::Incoming::Kind::ignored:
            break;
    }

    // Arrivals held back while a question was up inside the handling.
    if (--handlingDepth == 0 && std::exchange (drainHeldBack, false))
        triggerAsyncUpdate();
}

void MidiReceiver::handleIdentityReply (const sysex::Incoming& in)
{
    // The unit answered, which is what the port watcher asks; but a running
    // transfer is not restarted by it.
    ++identityCount;
    if (transfer.isRunning())
        return;

    dataCenter.modelCode = in.modelCode;
    dataCenter.connected = true;
    // A unit identified again may hold other programs than those read before.
    unitBackedUp = false;
    requestStep (DeferredStep::connected);

    dataCenter.midiChannel = in.channel;
    dataCenter.versionMajor = in.versionMajor;
    dataCenter.versionMinor = in.versionMinor;

    // The receive that follows replaces the whole list and the program being
    // edited: slots changed here and not yet transmitted, and edits not yet
    // written, are the player's to give up.
    const int changed = dataCenter.countModified();
    if ((changed > 0 || dataCenter.isEdited()) && commandTarget != nullptr &&
        !commandTarget->confirmReceiveOverChanges (changed))
        return;
    if (transfer.isRunning()) // something started one while the question was up
        return;

    // Every identification starts a Receive All, beginning with the edit buffer.
    startTransfer (TransferPhase::identifying, 0, kNumUserPrograms);
    afterPendingWrite (
        [this]
        {
            sendProgramNumberNotice();
            requestCurrentProgram();
        });
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
            return; // answers the request, or is not taken as an answer: no repeat
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
    // A transfer held for a write's answer takes any acknowledgement as that
    // answer, also one later than the write's time-out: nothing of the
    // transfer has been sent yet.
    // An acknowledgement while a written program is read back answers nothing of ours.
    if (isVerifyingWrite())
        return;
    if (isWritePending() || heldStart != nullptr)
    {
        const int slot = std::exchange (writtenSlot, -1);

        // The answer to a write made before this transfer began: it
        // acknowledges no program of the transfer, which reads or sends the
        // slot again anyway (it stays marked until then).
        if (transfer.isRunning())
        {
            releaseHeldStart();
            return;
        }
        writePending = false;

        // A write finished: the unit now plays the written slot, which the
        // program change below makes it reload. Edits made since the write
        // reached the unit before that and are gone from its edit buffer:
        // it gets the program the editor shows.
        dataCenter.setCurrentProgramNumber (dataCenter.selectedProgram);
        selectProgram (dataCenter.currentProgramNumber);
        if (dataCenter.current != writtenRecord)
            sendCurrentProgram();

        // The unit may acknowledge what it did not store: the slot is read
        // back, and stays marked until it holds what was sent. Until then a
        // transfer waits as it does for the write.
        if (isUserProgram (slot) && output != nullptr)
        {
            verifySlot = slot;
            verifyTries = 0;
            verifyExpected = writtenRecord;
            writePending = true;
            writeRequestedMs = clock();
            pause (kPauseBeforeRequestMs);
            requestProgram (slot);
            startWatchdog();
        }
        sendChangeMessage();
        return;
    }

    if (transfer.getPhase() == TransferPhase::transmitting)
    {
        // The slot's mark stays until it is read back as sent.
        const int sent = transfer.getIndex();
        carryOut (transfer.acknowledged (nextToTransmit (sent + 1), clock()));
        sendChangeMessage();
    }
}

void MidiReceiver::handleOperationFailed()
{
    if (isVerifyingWrite())
    {
        writeVerified (nullptr);
        return;
    }
    if (isWritePending())
    {
        // The unit refused the write; a held transfer may begin now.
        if (transfer.isRunning())
            releaseHeldStart();
        writePending = false;
        return;
    }
    carryOut (transfer.failed (clock()));
}

void MidiReceiver::handleCurrentProgramDump (const std::vector<std::uint8_t>& bytes)
{
    // It answers our oldest question gone out, unless the unit sent it of
    // its own accord or said it twice.
    const auto phase = transfer.getPhase();
    if (phase == TransferPhase::idle && saysAgain (bytes))
        return;
    const auto answered = takeAnswer (editBufferQuestions, -1);
    const bool answersUs = answered.has_value();

    if (phase == TransferPhase::identifying)
    {
        // The receive started by identification: keep the unit's edit buffer
        // aside, then fetch the programs.
        receiveBuffer = recordFrom (bytes, 7);
        dataCenter.setCurrentData (receiveBuffer);
        dataCenter.saveCurrent();
        editBufferSaved = true;
        dataCenter.setCurrentProgramNumber (0);
        requestStep (DeferredStep::greyOutViews);
        carryOut (transfer.editBufferArrived (clock()));
    }
    else if (phase == TransferPhase::idle && resyncAskedAtMs >= 0.0)
    {
        // The answer to a check of what the unit plays. Something of ours
        // asked for after the question may not be in it: it is asked again,
        // a few times at most. Otherwise the editor follows it.
        if (!answersUs)
            return;
        if (sendsAsked != answered->sendsAt)
        {
            // Asked again after a moment: an answer said twice is then
            // over before the question goes, and not taken for its answer.
            if (++resyncTries < kResyncTries)
            {
                pause (kAskAgainAfterMs);
                checkWhatTheUnitPlays (resyncKeepsEdit);
            }
            else
                giveUpCheck();
            return;
        }
        receiveBuffer = recordFrom (bytes, 7);
        resyncAskedAtMs = -1.0;
        if (std::exchange (resyncKeepsEdit, false))
        {
            dataCenter.current = receiveBuffer; // still an edit of the same program
        }
        else
        {
            // The program just chosen, as the unit loaded it: still that choice.
            dataCenter.current = dataCenter.loaded = receiveBuffer;
        }
    }
    else if (phase == TransferPhase::idle && !answersUs && clock() - editBufferAskedAtMs > kQuestionLostMs)
    {
        // Not an answer to us, late or said twice: the unit sent it of its own accord.
        receiveBuffer = recordFrom (bytes, 7);
        replaceProgram ([this] { dataCenter.setCurrentData (receiveBuffer); });
    }
    else
    {
        return;
    }

    sendChangeMessage();
}

void MidiReceiver::handleParameterChange (const std::vector<std::uint8_t>& bytes)
{
    if (transfer.isRunning() || bytes[7] != 0x01)
        return;

    const int parameter = bytes[8];
    const int value = sysex::numberFromPair (bytes[9], bytes[10]);

    auto apply = [this, parameter, value]
    {
        if (parameter < RecordByte::firstType)
            dataCenter.current[static_cast<size_t> (parameter)] = static_cast<std::uint8_t> (value & 0xff);
        else if (parameter < kFirstKnobParameter)
            dataCenter.setType (parameter, value % 100);
        else if (parameter < kFirstKnobParameter + kNumKnobs)
            dataCenter.setKnob (value % 100, parameter - kFirstKnobParameter);
    };
    if (aroundUnitEdit)
        aroundUnitEdit (apply);
    else
        apply();

    if (mayHaveCrossed())
        checkWhatTheUnitPlays (true);
    sendChangeMessage();
}

bool MidiReceiver::mayHaveCrossed() const
{
    return output != nullptr && (!sender.isIdle() || clock() - sender.lastSentAtMs() < kCrossingWindowMs);
}

void MidiReceiver::checkWhatTheUnitPlays (bool keepEdit)
{
    // A change from the unit and one of ours passed each other on the wires:
    // which came last there is unknown here, so the unit says what it plays.
    if (resyncAskedAtMs < 0.0)
        resyncTries = 0;
    resyncKeepsEdit = resyncAskedAtMs >= 0.0 ? resyncKeepsEdit && keepEdit : keepEdit;
    resyncAskedAtMs = clock();
    requestCurrentProgram();
    startWatchdog();
}

void MidiReceiver::giveUpCheck()
{
    // What the unit plays stays unknown: it gets what the editor shows, so
    // the two agree again.
    resyncAskedAtMs = -1.0;
    sendCurrentProgram();
}

void MidiReceiver::handleCurrentProgramNumber (const std::vector<std::uint8_t>& bytes)
{
    // Only an outstanding request is answered; during the programs of a
    // transfer a number reply is an old one and changes nothing.
    const auto phase = transfer.getPhase();
    if (!awaitingNumber || (phase != TransferPhase::idle && phase != TransferPhase::awaitingNumber))
        return;

    awaitingNumber = false;
    const bool endsReceive = transfer.numberArrived();
    if (endsReceive)
        stopTimer();

    if (bytes[7] == sysex::kNumberStatusIgnore)
    {
        // No number, but the receive is over all the same: the selected
        // program stays, the saved edit buffer goes back.
        if (endsReceive)
            transferOver (Transfer::Next::finish);
        return;
    }

    const int n = sysex::numberFromPair (bytes[8], bytes[9]) % kNumPrograms;
    numberFromUnit = true;
    dataCenter.setCurrentProgramNumber (n);
    dataCenter.setSelectedProgram (n);
    requestStep (DeferredStep::transferFinished);
}

void MidiReceiver::acceptDump (int n, const ProgramRecord& record)
{
    receiveBuffer = record;
    if (unitList != nullptr)
        unitList->storeFromUnit (n, record);
    // Written on the unit's panel: the slot now holds it, and the row agrees.
    dataCenter.unitNowHolds (n, record);
    dataCenter.markAgainstUnit (n, record);
    // The unit plays the program it just sent.
    dataCenter.setCurrentData (record);
}

void MidiReceiver::replaceProgram (const std::function<void()>& replace)
{
    if (aroundProgramReplacement)
        aroundProgramReplacement (replace);
    else
        replace();
}

bool MidiReceiver::handleProgramDump (const std::vector<std::uint8_t>& bytes)
{
    const int n = sysex::numberFromPair (bytes[7], bytes[8]);
    const auto record = recordFrom (bytes, 9);
    const auto phase = transfer.getPhase();
    // A program the unit says twice in a row is one program. One written on
    // its panel is what it plays; another number than asked, while an
    // answer is due, is a wrong answer.
    const bool saidTwice = phase == TransferPhase::idle && saysAgain (bytes);
    const bool answersUs =
        !saidTwice &&
        (takeAnswer (programQuestions, n).has_value() ||
         (record != dataCenter.current && takeAnswer (programQuestions, kAnyNumber).has_value()));

    if (phase == TransferPhase::idle && isVerifyingWrite())
    {
        // Any program now answers the read-back: another number is asked
        // again, a few times at most, and never taken for a program the
        // unit chose.
        if (n == verifySlot)
            writeVerified (&record);
        else if (++verifyTries < kVerifyTries)
        {
            // Perhaps written on the unit's panel meanwhile: no longer known.
            dataCenter.unitHoldsUnknown (n);
            pause (kPauseBeforeRequestMs);
            requestProgram (verifySlot);
        }
        else
            writeVerified (nullptr);
        return false;
    }
    // The answer to a read-back given up on.
    if (phase == TransferPhase::idle && n == lastVerifySlot &&
        clock() - verifyGivenUpMs < transfer.getTimeoutMs())
        return false;
    if (phase == TransferPhase::backingUp)
    {
        bool keep = false;
        const auto next = transfer.dumpArrived (n, keep, clock());
        if (keep && isUserProgram (n))
            backupRead[static_cast<size_t> (n)] = record;
        if (transfer.getPhase() != TransferPhase::backingUp && next != Transfer::Next::giveUp)
        {
            unitBackedUp = true;
            if (onUnitProgramsRead)
                onUnitProgramsRead (backupRead);
        }
        carryOut (next);
        sendChangeMessage();
        return false;
    }
    if (phase == TransferPhase::verifying)
    {
        const int awaited = transfer.getIndex();
        bool asked = false;
        const auto next = transfer.dumpArrived (n, asked, clock());
        if (asked && unitList != nullptr && !readBack (awaited, record, unitList->recordAt (awaited)))
        {
            notStored.push_back (awaited);
            ++notStoredCount;
        }
        carryOut (next);
        sendChangeMessage();
        return false;
    }
    if (phase == TransferPhase::idle)
    {
        // The unit sent a program of its own accord, or late answered one of
        // ours (a transfer's given up, say).
        if (answersUs || saidTwice)
            return false;
        replaceProgram (
            [&]
            {
                dataCenter.setCurrentProgramNumber (n % kNumPrograms);
                acceptDump (n, record);
            });
        if (mayHaveCrossed())
            checkWhatTheUnitPlays (false);
        sendChangeMessage();
        return false;
    }

    if (phase != TransferPhase::receiving)
        return false;

    const int awaited = transfer.getIndex();
    bool keep = false;
    const auto next = transfer.dumpArrived (n, keep, clock());
    if (keep)
    {
        if (n == awaited)
            dataCenter.setCurrentProgramNumber (n);
        acceptDump (n, record);
        if (n == awaited && unitList != nullptr)
            unitList->markReceived (n);
    }
    carryOut (next);
    sendChangeMessage();
    return next == Transfer::Next::requestNumber;
}

bool MidiReceiver::readBack (int n, const ProgramRecord& held, const ProgramRecord& sentRecord)
{
    if (unitList != nullptr)
    {
        dataCenter.unitNowHolds (n, held);
        dataCenter.markAgainstUnit (n, unitList->recordAt (n));
    }
    return held == sentRecord;
}

void MidiReceiver::writeVerified (const ProgramRecord* held)
{
    // No answer (held is null) leaves the slot marked, as a difference does.
    const int slot = std::exchange (verifySlot, -1);
    writePending = false;
    if (held == nullptr)
    {
        lastVerifySlot = slot;
        verifyGivenUpMs = clock();
    }
    if (held == nullptr || !readBack (slot, *held, verifyExpected))
    {
        // The unit reloaded the slot after the write: it plays what it
        // stored, not what the editor shows, until it is told.
        sendCurrentProgram();
        ++notStoredCount;
        if (commandTarget != nullptr)
            commandTarget->notStoredAsSent ({slot}, false);
    }
    sendChangeMessage();
    releaseHeldStart();
}

void MidiReceiver::handleProgramChange (int programChange)
{
    const int n = dataCenter.bank * 100 + programChange % 100;
    // A slot changed here and not yet transmitted is not what the unit plays:
    // what the unit is known to hold there is, or else it is asked.
    const bool changedHere = isUserProgram (n) && dataCenter.modified[static_cast<size_t> (n)] != 0;
    const bool knownThere = changedHere && dataCenter.unitHoldsKnown[static_cast<size_t> (n)];
    const auto stored = knownThere          ? dataCenter.unitHolds[static_cast<size_t> (n)]
                        : isUserProgram (n) ? (unitList != nullptr ? unitList->recordAt (n) : ProgramRecord{})
                                            : factoryProgram (n);
    // The unit reloads the program it is told to play, its current one too:
    // an edit of it is gone there, so it goes here as well.
    if (n == dataCenter.currentProgramNumber && dataCenter.current == stored && !changedHere)
        return;

    replaceProgram (
        [this, n, &stored]
        {
            dataCenter.setCurrentProgramNumber (n);
            dataCenter.setSelectedProgram (n);
            dataCenter.setCurrentData (stored);
        });
    // The unit is asked for the program it loaded.
    if ((changedHere && !knownThere) || mayHaveCrossed())
        checkWhatTheUnitPlays (false);

    sendChangeMessage();
    requestStep (DeferredStep::programSelected);
}

//==============================================================================
void MidiReceiver::setWatchdog (int timeoutMs, int maxRetries) noexcept
{
    transfer.setWatchdog (timeoutMs, maxRetries);
}

void MidiReceiver::setClock (std::function<double()> millisecondClock)
{
    clock = std::move (millisecondClock);
}

void MidiReceiver::startWatchdog()
{
    // A simulation checks the watchdog on its own clock.
    if (!simulated && !isTimerRunning())
        startTimer (kWatchdogPeriodMs);
}

bool MidiReceiver::isWritePending() const
{
    // A write the unit never answered stops being awaited after a while.
    return writePending && clock() - writeRequestedMs < transfer.getTimeoutMs();
}

void MidiReceiver::checkWatchdog()
{
    // A written program that was never read back stays marked.
    if (isVerifyingWrite() && !isWritePending())
        writeVerified (nullptr);
    if (resyncAskedAtMs >= 0.0 && !transfer.isRunning() && clock() - resyncAskedAtMs > kResyncAnswerMs)
    {
        // The answer was lost: ask again, then give up on it.
        if (++resyncTries < kResyncTries)
            checkWhatTheUnitPlays (resyncKeepsEdit);
        else
            giveUpCheck();
    }
    if (!transfer.isRunning() || transfer.getPhase() == TransferPhase::finishing)
    {
        if (resyncAskedAtMs < 0.0 && !isVerifyingWrite())
            stopTimer();
        return;
    }

    if (heldStart != nullptr)
    {
        // The write the transfer waits for was never answered.
        if (!isWritePending())
            releaseHeldStart();
        return;
    }

    carryOut (transfer.silence (clock()));
}
} // namespace vr
