// Tests of the message table: registration order and bindings of the three windows'
// keys, built-in texts, case-insensitive lookup, and the separation of the two msgError variables.
#include "language/messagetable.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

using Binding = std::pair<std::string_view, std::string*>;

// The main window's keys, in registration order.
const std::vector<Binding> kMainKeys = {
    {"msgError", &ShelvixMessages::msgError},
    {"msgSelect", &ShelvixMessages::msgSelect},
    {"msgNoAdd", &ShelvixMessages::msgNoAdd},
    {"msgSameSerial", &ShelvixMessages::msgSameSerial},
    {"msgQuestion", &ShelvixMessages::msgQuestion},
    {"msgModified", &ShelvixMessages::msgModified},
    {"msgNoSave", &ShelvixMessages::msgNoSave},
    {"msgNoLoad", &ShelvixMessages::msgNoLoad},
    {"msgFiles", &ShelvixMessages::msgFiles},
    {"msgDirs", &ShelvixMessages::msgDirs},
    {"msgSure", &ShelvixMessages::msgSure},
    {"msgNoRestore", &ShelvixMessages::msgNoRestore},
    {"msgHint", &ShelvixMessages::msgHint},
    {"msgNoUpdate", &ShelvixMessages::msgNoUpdate},
    {"msgNoCleanUp", &ShelvixMessages::msgNoCleanUp},
    {"msgErrorCleanUp", &ShelvixMessages::msgErrorCleanUp},
    {"msgName", &ShelvixMessages::msgName},
    {"msgLabel", &ShelvixMessages::msgLabel},
    {"msgSerial", &ShelvixMessages::msgSerial},
    {"msgSize", &ShelvixMessages::msgSize},
    {"msgCategory", &ShelvixMessages::msgCategory},
    {"msgNotice", &ShelvixMessages::msgNotice},
    {"msgAvail", &ShelvixMessages::msgAvail},
    {"msgNoUnrar", &ShelvixMessages::msgNoUnrar},
    {"msgNoImport", &ShelvixMessages::msgNoImport},
    {"msgNoAttach", &ShelvixMessages::msgNoAttach},
    {"msgSxName", &ShelvixMessages::msgSxName},
    {"msgNoContent", &ShelvixMessages::msgNoContent},
    {"msgDiskFull", &ShelvixMessages::msgDiskFull},
    {"msgLost", &ShelvixMessages::msgLost},
    {"msgDone", &ShelvixMessages::msgDone},
    {"msgRepairState", &ShelvixMessages::msgRepairState},
    {"msgWasChanged", &ShelvixMessages::msgWasChanged},
    {"msgLoadDB", &ShelvixMessages::msgLoadDB},
    {"msgSaveDB", &ShelvixMessages::msgSaveDB},
    {"msgReloadDB", &ShelvixMessages::msgReloadDB},
    {"msgBackupFailed", &ShelvixMessages::msgBackupFailed},
    {"msgNoManual", &ShelvixMessages::msgNoManual},
    {"msgUnreadFolders", &ShelvixMessages::msgUnreadFolders},
    {"msgNoReport", &ShelvixMessages::msgNoReport},
    {"msgNotImported", &ShelvixMessages::msgNotImported},
    {"msgYes", &ShelvixMessages::msgYes},
    {"msgNo", &ShelvixMessages::msgNo},
    {"msgMediumDamaged", &ShelvixMessages::msgMediumDamaged},
    {"msgMediumInUse", &ShelvixMessages::msgMediumInUse},
    {"msgMediumMissing", &ShelvixMessages::msgMediumMissing},
    {"msgLoadInUse", &ShelvixMessages::msgLoadInUse},
    {"msgLoadMissing", &ShelvixMessages::msgLoadMissing},
    {"msgLoadFailed", &ShelvixMessages::msgLoadFailed},
    {"msgSaveInUse", &ShelvixMessages::msgSaveInUse},
    {"msgSaveFailed", &ShelvixMessages::msgSaveFailed},
    {"msgSaveInterrupted", &ShelvixMessages::msgSaveInterrupted},
    {"msgLoneDataFile", &ShelvixMessages::msgLoneDataFile},
    {"msgRepairStopped", &ShelvixMessages::msgRepairStopped},
    {"msgNotAttached", &ShelvixMessages::msgNotAttached},
    {"msgCancel", &ShelvixMessages::msgCancel},
    {"msgAddAsNew", &ShelvixMessages::msgAddAsNew},
    {"msgUpdateThat", &ShelvixMessages::msgUpdateThat},
    {"msgMoreNames", &ShelvixMessages::msgMoreNames},
    {"msgKeepOwn", &ShelvixMessages::msgKeepOwn},
    {"msgSelectUpdate", &ShelvixMessages::msgSelectUpdate},
    {"msgNoApplication", &ShelvixMessages::msgNoApplication},
    {"msgCopyPath", &ShelvixMessages::msgCopyPath},
    {"msgClose", &ShelvixMessages::msgClose},
    {"msgRecentMissing", &ShelvixMessages::msgRecentMissing},
    {"msgNothingToRestore", &ShelvixMessages::msgNothingToRestore},
    {"msgColDimensions", &ShelvixMessages::msgColDimensions},
    {"msgColDuration", &ShelvixMessages::msgColDuration},
    {"msgColTaken", &ShelvixMessages::msgColTaken},
    {"msgColArtist", &ShelvixMessages::msgColArtist},
    {"msgColAlbum", &ShelvixMessages::msgColAlbum},
    {"msgColTitle", &ShelvixMessages::msgColTitle},
    {"msgColCamera", &ShelvixMessages::msgColCamera},
    {"msgDetailPosition", &ShelvixMessages::msgDetailPosition},
    {"msgDetailOrientation", &ShelvixMessages::msgDetailOrientation},
    {"msgDetailTrack", &ShelvixMessages::msgDetailTrack},
    {"msgDetailYear", &ShelvixMessages::msgDetailYear},
    {"msgDetailGenre", &ShelvixMessages::msgDetailGenre},
    {"msgDetailBitrate", &ShelvixMessages::msgDetailBitrate},
    {"msgDetailCodec", &ShelvixMessages::msgDetailCodec},
    {"msgDetailFrameRate", &ShelvixMessages::msgDetailFrameRate},
    {"msgDetailsSkipped", &ShelvixMessages::msgDetailsSkipped},
    {"msgNoPreview", &ShelvixMessages::msgNoPreview},
    {"msgDate", &ShelvixMessages::msgDate},
};

const std::vector<Binding> kSearchKeys = {
    {"msgResults", &SearchMessages::msgResults},
    {"msgValueSizeFrom", &SearchMessages::msgValueSizeFrom},
    {"msgValueSizeTo", &SearchMessages::msgValueSizeTo},
    {"msgError", &SearchMessages::msgError},
    {"msgNoOptions", &SearchMessages::msgNoOptions},
};

const std::vector<Binding> kCategoryKeys = {
    {"msgExist", &CategoryMessages::msgExist},
    {"msgAssigned", &CategoryMessages::msgAssigned},
    {"msgNoCatLoad", &CategoryMessages::msgNoCatLoad},
    {"msgNoCatImport", &CategoryMessages::msgNoCatImport},
};

// Every variable starts each test at its built-in text, and no test leaks changes into others.
class MessageTableTest : public ::testing::Test {
protected:
    void SetUp() override { ResetMessagesToBuiltIn(); }
    void TearDown() override { ResetMessagesToBuiltIn(); }
};

void ExpectRegistered(void (*reg)(TranslatorVariables&), const std::vector<Binding>& expected) {
    TranslatorVariables list;
    reg(list);
    ASSERT_EQ(list.Count(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(list.Key(i), expected[i].first) << "position " << i;
        EXPECT_EQ(list.Variable(i), expected[i].second) << expected[i].first;
    }
}

const std::vector<Binding> kDuplicateKeys = {
    {"msgNoMinSize", &DuplicateMessages::msgNoMinSize},
    {"msgGroupsFound", &DuplicateMessages::msgGroupsFound},
};

TEST_F(MessageTableTest, EachWindowRegistersItsKeysInTableOrder) {
    ExpectRegistered(RegisterShelvixMessages, kMainKeys);
    ExpectRegistered(RegisterDuplicateMessages, kDuplicateKeys);
    ExpectRegistered(RegisterSearchMessages, kSearchKeys);
    ExpectRegistered(RegisterCategoryMessages, kCategoryKeys);
}

TEST_F(MessageTableTest, BuiltInTextsAreTheTablesTexts) {
    const std::vector<std::pair<const std::string*, std::string_view>> cases = {
        {&ShelvixMessages::msgError, "Error"},
        {&ShelvixMessages::msgSameSerial,
         "The following media with the same serial number were found in the database. Do you "
         "want to add this medium as a new one?"},
        {&ShelvixMessages::msgNoLoad, "Could not load database. It is from a newer version or damaged."},
        {&ShelvixMessages::msgNoUnrar, "n/a UNRAR.DLL not found"},
        {&ShelvixMessages::msgSxName, "Shelvix"},
        {&ShelvixMessages::msgLost, "Lost media"},
        {&ShelvixMessages::msgWasChanged,
         "The currently loaded database was changed on disk. You must reopen the database, to get "
         "the changes."},
        {&ShelvixMessages::msgBackupFailed, "Could not make backups. Nothing saved."},
        {&SearchMessages::msgValueSizeFrom, "Size from is an invalid value"},
        {&SearchMessages::msgValueSizeTo, "Size to is an invalid value."},
        {&SearchMessages::msgError, "Error"},
        {&ShelvixMessages::msgYes, "Yes"},
        {&ShelvixMessages::msgNo, "No"},
        {&CategoryMessages::msgNoCatLoad,
         "Cannot load categories, unassign current categories first!"},
    };
    for (const auto& [variable, text] : cases)
        EXPECT_EQ(*variable, text);
}

TEST_F(MessageTableTest, FindIgnoresAsciiCaseAndRejectsOtherKeys) {
    TranslatorVariables main;
    RegisterShelvixMessages(main);
    EXPECT_EQ(main.Find("MSGERROR"), &ShelvixMessages::msgError);
    EXPECT_EQ(main.Find("msgerror"), &ShelvixMessages::msgError);
    EXPECT_EQ(main.Find("MsgBackupFAILED"), &ShelvixMessages::msgBackupFailed);
    for (std::string_view unknown : {"", "msgErro", "msgErrors", "msgError ", "msgResults"})
        EXPECT_EQ(main.Find(unknown), nullptr) << '"' << unknown << '"';
}

TEST_F(MessageTableTest, MainMsgErrorIsSeparateFromSearchMsgError) {
    TranslatorVariables main, search;
    RegisterShelvixMessages(main);
    RegisterSearchMessages(search);
    ASSERT_NE(main.Find("msgError"), search.Find("msgError"));

    *main.Find("MSGERROR") = "Fehler";
    EXPECT_EQ(ShelvixMessages::msgError, "Fehler");
    EXPECT_EQ(SearchMessages::msgError, "Error");
}

TEST_F(MessageTableTest, RegisteringAppendsWithoutDedupeAndFirstMatchWins) {
    TranslatorVariables list;
    RegisterCategoryMessages(list);
    RegisterCategoryMessages(list);
    EXPECT_EQ(list.Count(), 8u);
    EXPECT_EQ(list.Key(4), "msgExist");

    std::string first, second;
    TranslatorVariables own;
    RegisterMessage(own, "msgOwn", &first);
    RegisterMessage(own, "MSGOWN", &second);
    EXPECT_EQ(own.Count(), 2u);
    EXPECT_EQ(own.Find("msgown"), &first);
    EXPECT_THROW(own.Key(2), std::out_of_range);
}

TEST_F(MessageTableTest, ResetRestoresEveryVariable) {
    std::vector<std::string> builtIn;
    for (const auto* keys : {&kMainKeys, &kSearchKeys, &kCategoryKeys, &kDuplicateKeys})
        for (const Binding& binding : *keys)
            builtIn.push_back(*binding.second);

    for (const auto* keys : {&kMainKeys, &kSearchKeys, &kCategoryKeys, &kDuplicateKeys})
        for (const Binding& binding : *keys)
            *binding.second = "changed";
    ResetMessagesToBuiltIn();

    std::size_t i = 0;
    for (const auto* keys : {&kMainKeys, &kSearchKeys, &kCategoryKeys, &kDuplicateKeys})
        for (const Binding& binding : *keys)
            EXPECT_EQ(*binding.second, builtIn[i++]) << binding.first;
}

} // namespace
