// Writes a RAR 4 and a RAR 5 archive into a folder, for trying the RAR listing by hand and for
// the manual's pictures (no tool on the build machine writes RAR). The RAR 4 one is laid out as
// WinRAR lays it: a folder's header after its files, names beyond ASCII stored as Unicode.
//   shelvix_rar_samples FOLDER   ->   FOLDER/photos-2009.rar (RAR 4), FOLDER/letters-2024.rar (RAR 5)
#include "support/rarwriter.h"
#include "support/testfiles.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    // DOS date and time: 2009-08-15 14:30:00.
    const uint32_t summer = uint32_t((2009 - 1980) << 9 | 8 << 5 | 15) << 16 | (14 << 11 | 30 << 5);
    rar::Member cafe{"Holiday\\Caf\xC3\xA9 M\xC3\xBCller.txt", "Table by the window.\n", false, summer};
    cafe.unicodeName = true;
    WriteWholeFile(folder + "/photos-2009.rar",
                   rar::Rar4({{"Holiday\\beach.jpg", std::string(2400, 'b'), false, summer},
                              {"Holiday\\harbour.jpg", std::string(3100, 'h'), false, summer},
                              {"Holiday\\notes.txt", "Ferry at nine.\n", false, summer},
                              cafe,
                              {"Holiday", "", true, summer},
                              {"index.txt", "Photos of the summer 2009.\n", false, summer}}));
    const uint32_t spring = 1712052000; // 2024-04-02 10:00:00 UTC
    WriteWholeFile(folder + "/letters-2024.rar",
                   rar::Rar5({{"Letters", "", true, 0, spring},
                              {"Letters/bank.txt", "Dear Sir or Madam,\n", false, 0, spring},
                              {"Letters/school.txt", "Dear Mrs Miller,\n", false, 0, spring},
                              {"Letters/Drafts", "", true, 0, spring},
                              {"Letters/Drafts/insurance.txt", "To whom it may concern,\n",
                               false, 0, spring}}));
    return 0;
}
