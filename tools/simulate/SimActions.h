#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vr::sim
{
// Everything the simulated player and the simulated unit can do. An action
// is plain data: the run records it, and a replay from the same seed with
// any subsequence of the actions is again a valid run.
enum class Kind : int
{
    // The player, through the window's own entry points.
    view,             // a: 0 editor, 1 library (the mode buttons)
    unitRowClick,     // a: row, b: 0 plain, 1 Ctrl, 2 Shift
    romRowClick,      // a: row, b: modifiers as above
    unitKey,          // a: key (see keyCodeOf), b: 1 with Shift
    romKey,           // a, b: as above
    knobGesture,      // a: knob, b: pixels dragged (up is negative), c: moves
    typeValue,        // a: knob, b: 0 Return, 1 Escape, text: what is typed
    effectType,       // a: section, b: type index
    onOff,            // a: section
    name,             // text: what is typed, then Return
    category,         // a: category
    write,            // File > Write Current Program...
    transmitAll,      // File > Transmit All Programs...
    transmitModified, // the transmit of modified programs a quit offers
    receiveAll,       // File > Receive All Programs...
    stop,             // the progress bar's Stop
    cut,
    copy,
    paste,
    insert,
    clear,
    undo,
    redo,
    compare,
    saveAs,      // a: which file the chooser returns
    exportSysex, // a: as above
    openFile,    // a: which file the chooser returns
    closeFiles,
    portOff, // a: 0 both, 1 input, 2 output
    portOn,
    quit,
    // The unit.
    unitKnob,        // a: parameter, b: value (front panel)
    unitProgram,     // a: program number (front panel)
    unitWrite,       // a: slot (front panel)
    unitDrop,        // a: replies
    unitRepeat,      // a: replies
    unitDelay,       // a: replies, b: milliseconds
    unitWrongNumber, // a: dump requests
    unitFail,        // a: dump requests
    unitSilent,      // a: 1 silent, 0 speaking again
    unitSpoil,       // a: stores to spoil, b: 0 protect (nothing stored), 1 corrupt (a byte off)
    count
};

struct KindInfo
{
    const char* name;
    // Set for actions that trigger defects a later change mends; runs that
    // must stay green leave them out.
    const char* known;
    bool unitEvent;
    int weight;
};

const KindInfo& infoOf (Kind kind) noexcept;
std::optional<Kind> kindNamed (const std::string& name);

struct Action
{
    Kind kind{Kind::view};
    int a{0};
    int b{0};
    int c{0};
    std::string text;
    // Answers to the questions the action raises, in order: bit i set means
    // the second button of question i.
    unsigned answers{0};
    // Simulated time to let pass afterwards; negative: until things settle.
    int waitMs{-1};
};

// "name a b c answers wait text" with the text escaped; sequences are
// joined by " ; ".
std::string toText (const Action& action);
std::string toText (const std::vector<Action>& actions);
std::optional<Action> actionFromText (const std::string& text);
std::optional<std::vector<Action>> actionsFromText (const std::string& text);
} // namespace vr::sim
