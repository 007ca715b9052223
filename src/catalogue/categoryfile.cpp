// The category list file: version, count, names, in one bzip2 stream.
#include "IO_BZIP.h"
#include "mediaclasses.h"

bool CMedienListe::LoadCategories(const std::string& fileName) {
    Categories.clear();
    auto memory = LoadCompressedFile(fileName);
    if (!memory) return false;
    try {
        if (ReadInt(*memory) > 1) return false;
        const int32_t count = ReadInt(*memory);
        for (int32_t i = 0; i < count; ++i) Categories.push_back(ReadString(*memory));
        return true;
    } catch (const std::exception&) { // field errors, or memory running out on hostile input
        return false;
    }
}

bool CMedienListe::SaveCategories(const std::string& fileName) const {
    TMemoryStream memory;
    try {
        WriteInt(memory, 1);
        WriteInt(memory, static_cast<int32_t>(Categories.size()));
        for (const auto& name : Categories) WriteString(memory, name);
    } catch (const std::exception&) {
        return false;
    }
    return SaveCompressedFile(memory, fileName);
}
