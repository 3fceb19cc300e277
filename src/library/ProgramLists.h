#pragma once

#include "../data/ProgramRow.h"
#include "../midi/ProgramRows.h"

#include <functional>
#include <vector>

namespace vr
{
class DataCenter;

// The unit's 200 user-program slots, row index = slot. The engine writes
// received programs into it byte by byte; Transmit All and Save As read it.
// Message thread only.
class UnitProgramList : public UnitRows
{
public:
    explicit UnitProgramList (DataCenter& store) noexcept
        : dataCenter (store)
    {
    }

    // Appends 200 empty rows if the list is empty, then re-encodes every name.
    void fill();

    int size() const noexcept { return static_cast<int> (rows.size()); }

    // Row access; rows past the end are ignored on store and read as 0.
    void storeByte (int row, int element, int value) noexcept;
    int readByte (int row, int element) const noexcept;
    void setRowName (int row, const juce::String& text) noexcept;
    juce::String readRowName (int row) const;
    // The row's record (each cell's low 8 bits); zeros for a row that does not exist.
    ProgramRecord recordAt (int row) const noexcept override;

    void storeFromUnit (int slot, const ProgramRecord& record) override;
    // After a Receive All: every slot's source number becomes the slot, its
    // name is re-encoded and its modified flag cleared.
    void finishReceive() override;
    void markReceived (int slot) noexcept override;

    // Called whenever the content changed and the table should repaint.
    std::function<void()> onChanged;
    // Called after finishReceive: the slots hold what the unit sent.
    std::function<void()> onReceiveFinished;

    std::vector<CProgParamColumn> rows;
    int rememberedRow{0};
    bool selectionSeen{false};
    bool pasteReady{false};
    juce::int64 lastKeyTime{0};

    // Tells the table that rows changed behind its back.
    void changed() const
    {
        if (onChanged)
            onChanged();
    }

private:
    DataCenter& dataCenter;
};

// The 200 factory programs followed by up to three blocks of 200 programs,
// one per open library file. Read-only for the clipboard operations.
class RomFileProgramList : public StoredRows
{
public:
    explicit RomFileProgramList (DataCenter& store) noexcept
        : dataCenter (store)
    {
    }

    // Appends the 200 factory programs if the list is empty.
    void fill();

    int size() const noexcept { return static_cast<int> (rows.size()); }
    ProgramRecord recordAt (int row) const noexcept override;

    // Appends the block of file slot `fileCount` from the store's file
    // buffers, sources 400 + 200 * fileCount onwards. Returns the index in
    // this list of the block's first row (200 + 200 * fileCount once the list
    // is filled), or -1 when no slot is free (nothing happens then). The
    // caller raises fileCount afterwards.
    int appendFileBlock();

    // Removes every file block; the file names stay for reuse.
    void closeAllFiles();

    // Title of file slot 1-3 for the "From" column, by source number.
    juce::String fileNameForSource (int sourceNumber) const;

    std::function<void()> onChanged;

    std::vector<CProgParamColumn> rows;
    int fileCount{0};
    std::array<juce::String, Source::maxFiles> fileNames;
    int rememberedRow{0};
    juce::int64 lastKeyTime{0};

private:
    void changed() const
    {
        if (onChanged)
            onChanged();
    }

    DataCenter& dataCenter;
};

// Text of the "From" column: "--- : ---" for an empty row, otherwise the
// source number as "%03d : " followed by RAM, ROM or the file's name (nothing
// from 1000 on). Without a ROM and file list the file names are empty.
juce::String fromColumnText (int sourceNumber, const RomFileProgramList* romList);
} // namespace vr
