#include "editor/EditSession.h"

#include "library/Clipboard.h"
#include "support/RecordingDialogs.h"
#include "support/RecordingEngine.h"

#include <gtest/gtest.h>

namespace vr
{
namespace
{
using test::bytesOf;
using test::makerCode;

// An engine on a recording port with its lists, the clipboard commands and
// a history; every unit row tells its original slot in element 20.
struct HistoryRig : test::RecordingEngine
{
    HistoryRig()
    {
        for (int slot = 0; slot < kNumUserPrograms; ++slot)
        {
            auto& row = unitList.rows[static_cast<size_t> (slot)];
            row.sourceNumber = slot;
            row.data[20] = slot;
            store.unitNowHolds (slot, unitList.recordAt (slot));
        }
        // Changed here and not transmitted.
        store.modified[7] = 1;
        store.unitNowHolds (7, {});
    }

    using State = std::pair<std::vector<CProgParamColumn>, std::array<std::uint8_t, kNumUserPrograms>>;
    State listState() const { return {unitList.rows, store.modified}; }
    static bool same (const State& a, const State& b)
    {
        if (a.second != b.second || a.first.size() != b.first.size())
            return false;
        for (size_t i = 0; i < a.first.size(); ++i)
            if (a.first[i].data != b.first[i].data || a.first[i].sourceNumber != b.first[i].sourceNumber)
                return false;
        return true;
    }

    test::RecordingDialogs dialogs;
    ClipboardCommands clipboard{store, unitList, romList, dialogs};
    EditSession session{store, engine, unitList};
    EditHistory& history{session.history()};
};

struct ListOperation
{
    const char* step;
    std::function<void (HistoryRig&)> run;
};

const ListOperation kListOperations[] = {
    {"Cut",
     [] (HistoryRig& r) {
         r.clipboard.cut ({{5, 7}, 7});
     }},
    {"Clear",
     [] (HistoryRig& r) {
         r.clipboard.clear ({{9}, 9});
     }},
    {"Paste",
     [] (HistoryRig& r)
     {
         r.clipboard.copy ({{1, 2}, 2});
         r.clipboard.paste ({{198}, 198}); // one row fits; the question is answered OK
     }},
    {"Insert",
     [] (HistoryRig& r)
     {
         r.clipboard.copy ({{3}, 3});
         r.clipboard.insert ({{0}, 0});
     }},
};
} // namespace

TEST (EditHistoryTest, ListEditsUndoAndRedoRowsAndModifiedFlagsExactly)
{
    for (const auto& op : kListOperations)
    {
        HistoryRig r;
        const auto before = r.listState();
        r.history.recordListEdit (op.step, [&] { op.run (r); });
        const auto after = r.listState();
        ASSERT_FALSE (HistoryRig::same (before, after)) << op.step;
        EXPECT_EQ (r.history.undoMenuText(), juce::String ("Undo ") + op.step);

        ASSERT_TRUE (r.history.undo());
        EXPECT_TRUE (HistoryRig::same (r.listState(), before)) << op.step;
        EXPECT_EQ (r.history.redoMenuText(), juce::String ("Redo ") + op.step);
        ASSERT_TRUE (r.history.redo());
        EXPECT_TRUE (HistoryRig::same (r.listState(), after)) << op.step;
        EXPECT_TRUE (r.sent.empty()) << op.step << ": list edits tell the unit nothing";
    }
}

TEST (EditHistoryTest, UndoingAListEditKeepsASlotWrittenSince)
{
    HistoryRig r;
    r.history.recordListEdit ("Clear", [&] { r.clipboard.clear ({{9, 10}, 10}); });

    // Written afterwards (not undoable): the slot holds what the unit holds.
    r.unitList.storeByte (10, 20, 77);
    r.store.modified[10] = 0;

    r.history.undo();
    EXPECT_EQ (r.unitList.readByte (9, 20), 9) << "the cleared slot comes back";
    EXPECT_EQ (r.store.modified[9], 0);
    EXPECT_EQ (r.unitList.readByte (10, 20), 77) << "the written slot keeps its program";

    // Cut, then a Transmit All gives the unit the new order: undoing the cut
    // marks every slot it puts back, which the unit no longer holds.
    r.history.recordListEdit ("Cut", [&] { r.clipboard.cut ({{20}, 20}); });
    for (int slot = 0; slot < kNumUserPrograms; ++slot)
    {
        r.store.unitNowHolds (slot, r.unitList.recordAt (slot));
        r.store.modified[static_cast<size_t> (slot)] = 0;
    }
    r.history.undo();
    EXPECT_EQ (r.unitList.readByte (20, 20), 20);
    EXPECT_EQ (r.store.countModified (20), kNumUserPrograms - 20);
}

TEST (EditHistoryTest, AProgramChangeFromTheUnitOverAnEditIsAStepThatBringsTheEditBack)
{
    HistoryRig r;
    r.store.setCurrentData (r.unitList.recordAt (0));
    // Choosing a program while nothing is edited is no step.
    r.history.recordProgramChoice ([&] { r.store.setCurrentData (r.unitList.recordAt (1)); });
    EXPECT_FALSE (r.history.canUndo());

    r.history.recordProgramEdit ("Gain", 7, [&] { r.store.setKnob (9, 6); });
    const auto edited = r.store.current;
    ASSERT_TRUE (r.store.isEdited());

    // The unit's program 12 replaces the edited program while its stored
    // version is compared: the edit comes back first and is kept.
    ASSERT_TRUE (r.session.toggleCompare());
    r.receive ({0xb0, 0x00, 0x00});
    r.receive ({0xc0, 12});
    EXPECT_FALSE (r.session.isComparing());
    ASSERT_EQ (r.store.currentProgramNumber, 12);
    EXPECT_FALSE (r.store.isEdited());
    EXPECT_EQ (r.history.undoMenuText(), "Undo Program Change");

    r.sent.clear();
    r.history.undo();
    EXPECT_EQ (r.store.current, edited);
    EXPECT_TRUE (r.store.isEdited());
    EXPECT_EQ (r.store.selectedProgram, 0);
    // Back to the program the unit played, then the edited one on top.
    ASSERT_GE (r.sent.size(), 2u);
    EXPECT_TRUE (r.sent[r.sent.size() - 2].isProgramChange());
    EXPECT_EQ (r.sent[r.sent.size() - 2].getProgramChangeNumber(), 0);
    ASSERT_EQ (makerCode (r.sent.back()), sysex::Code::currentProgramDump);
    EXPECT_EQ (bytesOf (r.sent.back())[7 + 24], 9);

    r.history.redo();
    EXPECT_EQ (r.store.current, r.unitList.recordAt (12));
    EXPECT_EQ (r.store.selectedProgram, 12);

    // The unit list is the unit's own after a Receive All: nothing to undo.
    r.history.undo();
    ASSERT_TRUE (r.history.canUndo());
    r.engine.startReceiveAll();
    EXPECT_FALSE (r.history.canUndo());
    EXPECT_FALSE (r.history.canRedo());
}

// Undone back to the unedited program, then another choice: what was left to
// redo belongs to the first program and must not land on the second.
TEST (EditHistoryTest, StepsLeftToRedoNeverLandOnAnotherProgram)
{
    HistoryRig r;
    r.store.setCurrentData (r.unitList.recordAt (0));
    r.history.recordProgramEdit ("Gain", 7, [&] { r.store.setKnob (9, 6); });
    r.history.undo();
    ASSERT_FALSE (r.store.isEdited());
    ASSERT_TRUE (r.history.canRedo());

    r.history.recordProgramChoice ([&] { r.store.setCurrentData (r.unitList.recordAt (3)); });
    EXPECT_FALSE (r.history.canRedo());
    r.history.redo();
    EXPECT_EQ (r.store.current, r.unitList.recordAt (3));
}
} // namespace vr
