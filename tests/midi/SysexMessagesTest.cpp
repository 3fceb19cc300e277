#include "midi/SysexMessages.h"

#include "support/MessageBytes.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace vr::sysex
{
namespace
{
using namespace test::bytes;
using Kind = Incoming::Kind;

// Record bytes 0..31 hold 1..32, so misplaced or dropped bytes show.
ProgramRecord countingRecord()
{
    ProgramRecord record{};
    for (size_t i = 0; i < record.size(); ++i)
        record[i] = static_cast<std::uint8_t> (i + 1);
    return record;
}

Bytes countingBytes()
{
    Bytes bytes;
    for (int i = 1; i <= kRecordSize; ++i)
        bytes.push_back (i);
    return bytes;
}

// A maker message of exactly `length` bytes from F0, padded with zeros and
// with no F7, so the length rules are tested at the byte.
Bytes makerOfLength (int code, int length)
{
    Bytes bytes = header (0x08, code);
    bytes.resize (static_cast<size_t> (length), 0);
    return bytes;
}

Bytes identityReply()
{
    return {0xf0, 0x7e, 0x03, 0x06, 0x02, 0x7d, 0x0f, 0x01, 0x08, 0x00, 0x05, 0x00, 0x01, 0x00, 0xf7};
}

struct MakerBuilder
{
    const char* name;
    std::function<juce::MidiMessage (std::uint8_t model)> build;
    int code;
    int length;
};

std::vector<MakerBuilder> makerBuilders()
{
    const auto record = countingRecord();
    return {
        {"current program dump request", [] (std::uint8_t m) { return currentProgramDumpRequest (m); }, 0x10,
         8},
        {"program write request", [] (std::uint8_t m) { return programWriteRequest (m, 157); }, 0x11, 10},
        {"current program number request", [] (std::uint8_t m) { return currentProgramNumberRequest (m); },
         0x12, 8},
        {"program dump request", [] (std::uint8_t m) { return programDumpRequest (m, 157); }, 0x1c, 10},
        {"current program dump", [record] (std::uint8_t m) { return currentProgramDump (m, record); }, 0x40,
         40},
        {"parameter change", [] (std::uint8_t m) { return parameterChange (m, 21, 0, 17); }, 0x41, 12},
        {"program dump", [record] (std::uint8_t m) { return programDump (m, 157, record); }, 0x4c, 42},
        {"program-number notice", [] (std::uint8_t m) { return programNumberNotice (m, 157); }, 0x4e, 11},
    };
}
} // namespace

TEST (SysexBuilders, EveryBuilderSendsExactlyItsBytes)
{
    struct Case
    {
        const char* name;
        juce::MidiMessage message;
        Bytes expected;
    };
    const auto record = countingRecord();
    const Case cases[] = {
        {"identity request", identityRequest(), {0xf0, 0x7e, 0x7f, 0x06, 0x01, 0xf7}},
        {"current program dump request", currentProgramDumpRequest (kModelHeron),
         concat (header (8, 0x10), {0xf7})},
        {"program write request", programWriteRequest (kModelHeron, 157),
         concat (header (8, 0x11), {1, 57, 0xf7})},
        {"current program number request", currentProgramNumberRequest (kModelWren),
         concat (header (0, 0x12), {0xf7})},
        {"program dump request", programDumpRequest (kModelWren, 200),
         concat (header (0, 0x1c), {2, 0, 0xf7})},
        {"current program dump", currentProgramDump (kModelHeron, record),
         concat (concat (header (8, 0x40), countingBytes()), {0xf7})},
        {"parameter change", parameterChange (kModelHeron, 25, 0, 30),
         concat (header (8, 0x41), {1, 25, 0, 30, 0xf7})},
        {"program dump", programDump (kModelHeron, 399, record),
         concat (concat (header (8, 0x4c), {3, 99}), concat (countingBytes(), {0xf7}))},
        {"program-number notice", programNumberNotice (kModelWren, 157),
         concat (header (0, 0x4e), {0, 1, 57, 0xf7})},
        {"maker message, empty payload", makerMessage (kModelHeron, 0x21), concat (header (8, 0x21), {0xf7})},
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        EXPECT_TRUE (c.message.isSysEx());
        EXPECT_EQ (bytesOf (c.message), c.expected);
    }
}

TEST (SysexBuilders, ModelCodeIsByteThreeAndLengthsAreFixed)
{
    for (const auto& builder : makerBuilders())
    {
        for (const std::uint8_t model : {kModelWren, kModelHeron})
        {
            SCOPED_TRACE (std::string (builder.name) + ", model " + std::to_string (model));
            const auto bytes = bytesOf (builder.build (model));
            ASSERT_EQ (static_cast<int> (bytes.size()), builder.length);
            EXPECT_EQ (Bytes (bytes.begin(), bytes.begin() + kHeaderSize), header (model, builder.code));
            EXPECT_EQ (bytes.back(), 0xf7);
        }
    }
}

TEST (SysexBuilders, ProgramNumbersTravelAsHundredsThenRemainder)
{
    struct Case
    {
        int number, hundreds, remainder;
    };
    const Case cases[] = {{0, 0, 0},    {99, 0, 99}, {100, 1, 0}, {157, 1, 57},
                          {199, 1, 99}, {200, 2, 0}, {399, 3, 99}};
    const auto record = countingRecord();

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.number);
        const Bytes pair{c.hundreds, c.remainder};
        auto at = [] (const juce::MidiMessage& m, int offset, int count)
        {
            const auto bytes = bytesOf (m);
            return Bytes (bytes.begin() + offset, bytes.begin() + offset + count);
        };
        EXPECT_EQ (at (programWriteRequest (kModelWren, c.number), 7, 2), pair);
        EXPECT_EQ (at (programDumpRequest (kModelWren, c.number), 7, 2), pair);
        EXPECT_EQ (at (programDump (kModelWren, c.number, record), 7, 2), pair);
        EXPECT_EQ (at (programNumberNotice (kModelWren, c.number), 7, 3), concat ({0}, pair));
    }
}

TEST (SysexBuilders, TypeParametersGoWithHundredsOneEverythingElseWithZero)
{
    struct Case
    {
        int parameter, value, hundreds;
    };
    const Case cases[] = {
        {10, 2, 0}, {11, 63, 0}, {12, 26, 1}, {13, 7, 1},  {14, 22, 1}, {15, 45, 1}, {16, 24, 1},
        {17, 9, 1}, {18, 30, 0}, {25, 15, 0}, {26, 30, 0}, {29, 99, 0}, {0, 33, 0},
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.parameter);
        EXPECT_EQ (bytesOf (parameterChangeFor (kModelHeron, c.parameter, c.value)),
                   concat (header (8, 0x41), {1, c.parameter, c.hundreds, c.value, 0xf7}));
    }

    EXPECT_EQ (bytesOf (parameterChangeFor (kModelWren, 13, 7)),
               (Bytes{0xf0, 0x7d, 0x30, 0x00, 0x01, 0x0f, 0x41, 0x01, 0x0d, 0x01, 0x07, 0xf7}));
    EXPECT_EQ (bytesOf (parameterChangeFor (kModelHeron, 13, 7)),
               (Bytes{0xf0, 0x7d, 0x30, 0x08, 0x01, 0x0f, 0x41, 0x01, 0x0d, 0x01, 0x07, 0xf7}));
}

TEST (SysexBuilders, DataBytesAboveSevenBitsAreMasked)
{
    ProgramRecord damaged = countingRecord();
    damaged[0] = 0xff;
    damaged[11] = 0x80;
    damaged[31] = 0xc5;

    struct Case
    {
        const char* name;
        juce::MidiMessage message;
        std::vector<std::pair<int, int>> offsetAndValue;
    };
    const Case cases[] = {
        {"current program dump",
         currentProgramDump (kModelWren, damaged),
         {{7, 0x7f}, {18, 0x00}, {38, 0x45}}},
        {"program dump", programDump (kModelWren, 5, damaged), {{9, 0x7f}, {20, 0x00}, {40, 0x45}}},
        {"parameter change", parameterChange (kModelWren, 0x8d, 0x81, 200), {{8, 0x0d}, {9, 0x01}, {10, 72}}},
        {"parameter change for", parameterChangeFor (kModelWren, 11, 0xbf), {{8, 11}, {9, 0}, {10, 0x3f}}},
        {"model code", currentProgramDumpRequest (0x88), {{3, 0x08}}},
        {"function code", makerMessage (kModelWren, 0xc1, {0x100, 0x17f}), {{6, 0x41}, {7, 0}, {8, 0x7f}}},
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        const auto bytes = bytesOf (c.message);
        ASSERT_GE (bytes.size(), 3u);
        EXPECT_EQ (bytes.front(), 0xf0);
        EXPECT_EQ (bytes.back(), 0xf7);
        for (size_t i = 1; i + 1 < bytes.size(); ++i)
            EXPECT_LT (bytes[i], 0x80) << "offset " << i;
        for (const auto& [offset, value] : c.offsetAndValue)
            EXPECT_EQ (bytes[static_cast<size_t> (offset)], value) << "offset " << offset;
    }
}

TEST (SysexBuilders, ProgramSelectSendsBankMsbBankLsbThenProgramChange)
{
    struct Case
    {
        int channel, number;
        std::vector<Bytes> expected;
    };
    const Case cases[] = {
        {0, 0, {{0xb0, 0, 0}, {0xb0, 32, 0}, {0xc0, 0}}},
        {0, 157, {{0xb0, 0, 1}, {0xb0, 32, 0}, {0xc0, 57}}},
        {5, 200, {{0xb5, 0, 2}, {0xb5, 32, 0}, {0xc5, 0}}},
        {15, 399, {{0xbf, 0, 3}, {0xbf, 32, 0}, {0xcf, 99}}},
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE ("channel " + std::to_string (c.channel) + ", program " + std::to_string (c.number));
        const auto messages = programSelect (c.channel, c.number);
        ASSERT_EQ (messages.size(), c.expected.size());
        for (size_t i = 0; i < messages.size(); ++i)
        {
            EXPECT_EQ (bytesOf (messages[i]), c.expected[i]) << "message " << i;
            EXPECT_EQ (messages[i].getChannel(), c.channel + 1) << "message " << i;
        }
    }
}

TEST (SysexClassify, IdentityReplyGivesChannelModelAndVersion)
{
    const auto in = classify (raw (identityReply()));
    EXPECT_EQ (in.kind, Kind::identityReply);
    EXPECT_EQ (in.channel, 3);
    EXPECT_EQ (in.modelCode, 0x08);
    EXPECT_EQ (in.versionMajor, 1);
    EXPECT_EQ (in.versionMinor, 5);

    // Offset 2 is the device ID: only its low nibble is the channel. Offsets
    // 9, 11 and 13 are not looked at, and 13 bytes suffice.
    auto reply = identityReply();
    reply[2] = 0x7f;
    reply[9] = 0x55;
    reply[11] = 0x66;
    reply.resize (13);
    const auto trimmed = classify (raw (reply));
    EXPECT_EQ (trimmed.kind, Kind::identityReply);
    EXPECT_EQ (trimmed.channel, 15);
    EXPECT_EQ (trimmed.versionMajor, 1);
    EXPECT_EQ (trimmed.versionMinor, 5);
}

TEST (SysexClassify, IdentityReplyWithWrongHeaderOrTooShortIsIgnored)
{
    struct Case
    {
        int offset, value;
    };
    const Case mismatches[] = {{1, 0x7f}, {3, 0x07}, {4, 0x01}, {5, 0x7e}, {6, 0x0e}, {7, 0x00}};

    for (const auto& c : mismatches)
    {
        SCOPED_TRACE (c.offset);
        auto reply = identityReply();
        reply[static_cast<size_t> (c.offset)] = c.value;
        EXPECT_EQ (classify (raw (reply)).kind, Kind::ignored);
    }

    auto shortReply = identityReply();
    shortReply.resize (12);
    EXPECT_EQ (classify (raw (shortReply)).kind, Kind::ignored);
}

TEST (SysexClassify, MakerMessageNeedsEveryByteItsHandlingReads)
{
    struct Case
    {
        int code, length;
    };
    const Case cases[] = {{0x21, 7}, {0x23, 7}, {0x40, 39}, {0x41, 11}, {0x42, 10}, {0x4c, 41}};

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.code);
        EXPECT_EQ (minimumLength (c.code), c.length);

        const auto exact = makerOfLength (c.code, c.length);
        const auto in = classify (raw (exact));
        EXPECT_EQ (in.kind, Kind::maker);
        EXPECT_EQ (in.functionCode, c.code);
        EXPECT_EQ (Bytes (in.bytes.begin(), in.bytes.end()), exact);

        EXPECT_EQ (classify (raw (makerOfLength (c.code, c.length - 1))).kind, Kind::ignored);

        const auto complete = concat (exact, {0xf7});
        EXPECT_EQ (classify (raw (complete)).kind, Kind::maker);
    }
}

TEST (SysexClassify, WhatTheEditorSendsClassifiesAsTheSameMessage)
{
    // The unit echoes dumps and parameter changes in the same layout.
    const auto record = countingRecord();
    const juce::MidiMessage messages[] = {currentProgramDump (kModelHeron, record),
                                          parameterChangeFor (kModelHeron, 13, 25),
                                          programDump (kModelHeron, 157, record)};
    for (const auto& message : messages)
    {
        const auto in = classify (message);
        EXPECT_EQ (in.kind, Kind::maker);
        EXPECT_EQ (in.functionCode, bytesOf (message)[6]);
        EXPECT_EQ (Bytes (in.bytes.begin(), in.bytes.end()), bytesOf (message));
    }
}

TEST (SysexClassify, MakerHeaderChecksManufacturerAndFixedBytesOnly)
{
    struct Case
    {
        int offset, value;
        Kind kind;
    };
    const Case cases[] = {
        {1, 0x7e, Kind::ignored}, {1, 0x00, Kind::ignored}, {4, 0x00, Kind::ignored},
        {4, 0x0f, Kind::ignored}, {5, 0x01, Kind::ignored}, {5, 0x0e, Kind::ignored},
        {2, 0x00, Kind::maker},   {2, 0x7f, Kind::maker},   {3, 0x00, Kind::maker},
        {3, 0x7f, Kind::maker},
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE ("offset " + std::to_string (c.offset) + " = " + std::to_string (c.value));
        auto bytes = concat (header (8, 0x21), {0xf7});
        bytes[static_cast<size_t> (c.offset)] = c.value;
        EXPECT_EQ (classify (raw (bytes)).kind, c.kind);
    }
}

TEST (SysexClassify, UnhandledFunctionCodesStillCountAsMakerMessages)
{
    for (const int code : {0x00, 0x10, 0x11, 0x12, 0x1c, 0x20, 0x22, 0x43, 0x4e, 0x7f})
    {
        SCOPED_TRACE (code);
        EXPECT_EQ (minimumLength (code), 7);
        const auto in = classify (raw (makerOfLength (code, 48)));
        EXPECT_EQ (in.kind, Kind::maker);
        EXPECT_EQ (in.functionCode, code);
        EXPECT_EQ (classify (raw (makerOfLength (code, 6))).kind, Kind::ignored);
    }
}

TEST (SysexClassify, BankSelectAndProgramChangeOnAnyChannel)
{
    for (int channel = 1; channel <= 16; ++channel)
    {
        SCOPED_TRACE (channel);
        const auto bank = classify (juce::MidiMessage::controllerEvent (channel, 0, 6));
        EXPECT_EQ (bank.kind, Kind::bankSelect);
        EXPECT_EQ (bank.value, 6); // raw: the engine keeps only the low two bits

        const auto program = classify (juce::MidiMessage::programChange (channel, 110));
        EXPECT_EQ (program.kind, Kind::programChange);
        EXPECT_EQ (program.value, 110);

        EXPECT_EQ (classify (juce::MidiMessage::controllerEvent (channel, 32, 1)).kind, Kind::ignored);
    }
}

TEST (SysexClassify, OtherChannelAndSystemMessagesAreIgnored)
{
    const juce::MidiMessage messages[] = {
        juce::MidiMessage::controllerEvent (1, 7, 100),
        juce::MidiMessage::controllerEvent (1, 1, 0),
        juce::MidiMessage::noteOn (1, 60, static_cast<juce::uint8> (100)),
        juce::MidiMessage::noteOff (3, 60),
        juce::MidiMessage::pitchWheel (1, 8192),
        juce::MidiMessage::channelPressureChange (1, 64),
        juce::MidiMessage::aftertouchChange (1, 60, 10),
        juce::MidiMessage::midiClock(),
        juce::MidiMessage::midiStart(),
        juce::MidiMessage (0xfe),
        juce::MidiMessage::songPositionPointer (4),
        juce::MidiMessage(), // F0 F7
    };
    for (const auto& message : messages)
    {
        SCOPED_TRACE (message.getDescription().toStdString());
        EXPECT_EQ (classify (message).kind, Kind::ignored);
    }
}

TEST (SysexClassify, TruncatedAndForeignExclusiveMessagesAreIgnored)
{
    const Bytes cases[] = {
        {0xf0},
        {0xf0, 0x7d},
        {0xf0, 0x7d, 0x30, 0x08, 0x01, 0x0f},       // header without function code
        {0xf0, 0x7d, 0x30, 0x08, 0x01, 0x0f, 0xf7}, // F7 where the code should be
        {0xf0, 0x7e},
        {0xf0, 0x7e, 0x03, 0x06, 0x02, 0x7d, 0x0f, 0x01, 0x08, 0x00, 0x05, 0x00}, // identity, no major
        {0xf0, 0x7e, 0x7f, 0x06, 0x01, 0xf7},                                     // an identity request
        {0xf0, 0x43, 0x10, 0x4c, 0x00, 0x00, 0x7e, 0x00, 0xf7},                   // another maker
        {0xf0, 0x7d, 0x30, 0x08, 0x01, 0x0f, 0x41, 0x01, 0x0d, 0xf7},             // parameter change, cut
        {0xf0, 0x7d, 0x30, 0x08, 0x01, 0x0f, 0x4c, 0x01, 0x39, 0x00, 0xf7},       // program dump, cut
    };

    for (const auto& bytes : cases)
        EXPECT_EQ (classify (raw (bytes)).kind, Kind::ignored) << "length " << bytes.size();
}

TEST (SysexClassify, RandomExclusiveMessagesNeverReadPastTheirEnd)
{
    // Heap-allocated copies of exactly the given size, so a sanitizer build
    // catches any read past the end.
    juce::Random random (20240611);
    for (int round = 0; round < 2000; ++round)
    {
        const int length = 1 + random.nextInt (48);
        Bytes bytes{0xf0};
        for (int i = 1; i < length; ++i)
            bytes.push_back (random.nextInt (128));
        if (random.nextBool())
        {
            const int h[] = {0x7d, 0x30, 0x08, 0x01, 0x0f};
            for (size_t i = 0; i < 5 && i + 1 < bytes.size(); ++i)
                bytes[i + 1] = h[i];
        }

        const auto in = classify (raw (bytes));
        if (in.kind == Kind::maker)
        {
            ASSERT_GE (static_cast<int> (in.bytes.size()), minimumLength (in.functionCode));
            ASSERT_GT (minimumLength (in.functionCode), 0);
        }
        else
        {
            ASSERT_NE (in.kind, Kind::bankSelect);
            ASSERT_NE (in.kind, Kind::programChange);
        }
    }
}
} // namespace vr::sysex
