#pragma once

#include <cstddef>
#include <vector>

namespace vr
{
// Where a bulk transfer stands. One transfer runs at a time; each message
// from the unit is judged against the phase, and a reply the phase does not
// await is not taken as one.
enum class TransferPhase
{
    idle,
    identifying,    // the unit's edit buffer (code 40) is awaited
    receiving,      // program `index` (code 4C) is awaited
    awaitingNumber, // every program arrived; the unit's program number (42) is awaited
    transmitting,   // the acknowledgement (21) of program `index` is awaited
    verifying,      // after a transmit: program `index` (4C) is read back
    backingUp,      // before a transmit: program `index` (4C) is read into a backup
    finishing       // the final step (edit buffer back, rows selected) is pending
};

// What the progress display shows of a running transfer.
struct TransferProgress
{
    TransferPhase phase{TransferPhase::idle};
    int done{0};
    int total{0};
    double startedMs{0.0};
};

// The bulk transfers as a state machine: told what arrived and when, it says
// what the engine does next. It sends and stores nothing itself, so every
// (phase, arrival) pair can be checked without a port or a window.
class Transfer
{
public:
    enum class Next
    {
        nothing,
        requestEditBuffer, // ask for the unit's edit buffer (again)
        requestProgram,    // ask for program getIndex()
        sendProgram,       // send program getIndex()
        requestNumber,     // every program arrived: ask for the unit's program number
        finish,            // over: the final step puts the edit buffer back
        giveUp             // the unit stopped answering: tell the player, then finish
    };

    TransferPhase getPhase() const noexcept { return phase; }
    int getIndex() const noexcept { return index; }
    bool isRunning() const noexcept { return phase != TransferPhase::idle; }
    // The next message follows a retry: it waits the unit's short pause.
    bool isRetry() const noexcept { return retries > 0; }
    TransferProgress getProgress() const noexcept { return {phase, done, total, startedMs}; }
    // The phase the transfer was in when it ended (for the report of one given up).
    TransferPhase getEndedFrom() const noexcept { return endedFrom; }

    void setWatchdog (int timeoutMs, int maxRetries) noexcept;
    int getTimeoutMs() const noexcept { return timeoutMs; }

    // False while another transfer runs. `firstIndex` 200 or more: nothing to do.
    bool start (TransferPhase first, int firstIndex, int totalPrograms, double now);
    // A backup read started: once every program arrived, the transmit
    // begins at `firstIndex` (200 or more: nothing to send).
    void transmitAfterBackup (int firstIndex, int totalPrograms) noexcept;

    Next editBufferArrived (double now);
    // A dump of program n while receiving, or reading back what was sent;
    // `keep` tells whether its row takes it (or, reading back, whether it is
    // the program asked for).
    Next dumpArrived (int n, bool& keep, double now);
    // The unit took program getIndex(); `next` is the next one to send (200: none).
    Next acknowledged (int next, double now);
    Next failed (double now);
    // The unit's program number arrived: true when it ends a receive.
    bool numberArrived() noexcept;
    // No awaited answer for a while (the engine's watchdog tick).
    Next silence (double now);
    // Keeps the watchdog from counting a wait the transfer did not cause.
    void noteProgress (double now) noexcept { lastProgressMs = now; }

    // Over, with the final step still to come.
    void end() noexcept;
    // The final step ran.
    void finished() noexcept { phase = TransferPhase::idle; }

private:
    Next retry (Next resend, double now);

    TransferPhase phase{TransferPhase::idle};
    TransferPhase endedFrom{TransferPhase::idle};
    int index{0};
    int done{0};
    int total{0};
    int retries{0};
    double startedMs{0.0};
    double lastProgressMs{0.0};
    int timeoutMs{3000};
    int maxRetries{20};
    // The programs a transmit sent, read back once it has sent them all.
    std::vector<int> sent;
    std::size_t verified{0};
    int transmitFirst{kNoTransmit};
    int transmitTotal{0};
    static constexpr int kNoTransmit = 1000;
};
} // namespace vr
