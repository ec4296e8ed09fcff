#include "main_window/pelmora_layout.h"

namespace pelmora_layout {

namespace {

using namespace platform::form; // the flags

constexpr const char* Tab1 = "SSTab1";

// The help texts of the "Options / Help" tab. Each pair of labels with its
// bitmap reads as one sentence across the lines, so the double and
// trailing spaces are part of the text.
constexpr const char* HelpCopyFiles =
    "Tab by using the drive and folder boxes (left upper windows) to locate the file(s) to be "
    "copied and then clicking on the desired files in the filelist box (upper right window) or "
    "by pressing select all.  The selected files will appear in the lower selected list "
    "window.  Files may be added or removed from the selected list using the appropriate "
    "buttons.";
constexpr const char* HelpToFolders =
    "Tab by using the drive and folder boxes to locate the desired folder and then clicking add "
    "folder.  Speed select enables folders to be selected with just a click in the folder "
    "window.  Folders may also be added or removed from the list.";

// One control a line, read as a table.
// clang-format off
const Control Controls[] = {
    // ---- the client area
    {"SSTab1", Kind::TabControl, nullptr, -1, {0, 0, 6495, 5295}},
    {"StatusBar1", Kind::StatusBar, nullptr, -1, {0, 5280, 6510, 315},
     nullptr, NoPicture, ProgramSet, "Selection summary"},

    // ---- tab "Copy File(s)"
    {"Frame5", Kind::Frame, Tab1, CopyFilesTab, {120, 360, 6255, 2655}, "Available Files"},
    {"Drive1", Kind::DriveList, "Frame5", -1, {120, 360, 3015, 315},
     nullptr, NoPicture, ProgramSet, "Drive of the files"},
    {"Dir1", Kind::FolderList, "Frame5", -1, {120, 720, 3015, 1830},
     nullptr, NoPicture, ProgramSet, "Folders holding the files"},
    {"File1", Kind::FileList, "Frame5", -1, {3240, 720, 2895, 1650},
     nullptr, NoPicture, ProgramSet, "Available files"},
    {"Label34", Kind::Label, "Frame5", -1, {3240, 240, 1575, 255}, "Pelmora Ver. 1.02"},
    {"Label1", Kind::Label, "Frame5", -1, {3240, 480, 1695, 255}, "Select File(s) From List"},
    {"AllFileBtn", Kind::Button, "Frame5", -1, {5040, 240, 1095, 375}, "Select All"},
    {"Frame6", Kind::Frame, Tab1, CopyFilesTab, {120, 3000, 6255, 1575}, "Selected Files"},
    {"SelFileList", Kind::ListBox, "Frame6", -1, {120, 240, 6015, 1230},
     nullptr, NoPicture, ProgramSet, "Selected files"},
    {"FilenameList", Kind::ListBox, "Frame6", -1, {2040, 480, 2055, 840},
     nullptr, NoPicture, Hidden | ProgramSet, "Names of the selected files"},
    {"Frame7", Kind::Frame, Tab1, CopyFilesTab, {120, 4560, 1815, 615}, "Total Bytes Selected"},
    // A label's accessible name is its text: the total, read as it changes.
    {"Label2", Kind::Label, "Frame7", -1, {120, 240, 1575, 255},
     "Label2", NoPicture, ProgramSet},
    {"RemFileBtn", Kind::Button, Tab1, CopyFilesTab, {2040, 4680, 1095, 495}, "Remove Selected"},
    {"ClrFileBtn", Kind::Button, Tab1, CopyFilesTab, {3240, 4680, 975, 495}, "Remove All"},
    {"CopyBtn2", Kind::Button, Tab1, CopyFilesTab, {4320, 4680, 975, 495}, "Copy"},
    {"ExitBtn2", Kind::Button, Tab1, CopyFilesTab, {5400, 4680, 975, 495}, "Exit"},

    // ---- tab "To Folder(s)"
    {"Frame4", Kind::Frame, Tab1, ToFoldersTab, {120, 360, 3255, 2775}, "Available Folders"},
    {"Drive2", Kind::DriveList, "Frame4", -1, {120, 240, 3015, 315},
     nullptr, NoPicture, ProgramSet, "Drive of the folders"},
    {"Dir2", Kind::FolderList, "Frame4", -1, {120, 600, 3015, 2055},
     nullptr, NoPicture, ProgramSet, "Available folders"},
    {"Frame2", Kind::Frame, Tab1, ToFoldersTab, {3480, 360, 2895, 2775}, "Actions"},
    {"CopyBtn1", Kind::Button, "Frame2", -1, {240, 240, 1095, 615}, "Copy"},
    {"ExitBtn1", Kind::Button, "Frame2", -1, {1680, 240, 975, 615}, "Exit"},
    {"Line1", Kind::Line, "Frame2", -1, {120, 960, 2760 - 120, 0}},
    {"DirSelBtn", Kind::Button, "Frame2", -1, {120, 1080, 1455, 375}, "Add Folder"},
    {"Label32", Kind::Label, "Frame2", -1, {1680, 1080, 1095, 255}, "Pelmora"},
    {"Label33", Kind::Label, "Frame2", -1, {1680, 1320, 1095, 255}, "Ver. 1.02"},
    {"Image1", Kind::Image, "Frame2", -1, {2040, 1680, 480, 480}, nullptr, Picture::ProgramIcon},
    {"Frame1", Kind::Frame, "Frame2", -1, {120, 1560, 1455, 615}, "Speed Select"},
    {"SSChkBox", Kind::CheckBox, "Frame1", -1, {360, 240, 855, 255},
     "OFF", NoPicture, ProgramSet},
    {"RemDirBtn", Kind::Button, "Frame2", -1, {120, 2280, 1455, 375}, "Remove Selected"},
    {"ClrDirBtn", Kind::Button, "Frame2", -1, {1680, 2280, 1095, 375}, "Remove All"},
    {"Frame3", Kind::Frame, Tab1, ToFoldersTab, {120, 3240, 6255, 1935}, "Selected Folders"},
    {"SelDirList", Kind::ListBox, "Frame3", -1, {120, 240, 6015, 1620},
     nullptr, NoPicture, ProgramSet, "Selected folders"},

    // ---- tab "Options / Help"
    {"Frame12", Kind::Frame, Tab1, OptionsHelpTab, {120, 480, 3615, 4695}, "Help"},
    {"Label5", Kind::Label, "Frame12", -1, {240, 240, 3135, 255},
     "Select the files to be copied in the  "},
    {"Image5", Kind::Image, "Frame12", -1, {240, 480, 240, 240}, nullptr, Picture::FilesGlyph},
    {"Label11", Kind::Label, "Frame12", -1, {480, 480, 2655, 255}, "Copy File(s)  "},
    {"Label15", Kind::Label, "Frame12", -1, {240, 720, 3135, 1575},
     HelpCopyFiles, NoPicture, WordWrap},
    {"Label16", Kind::Label, "Frame12", -1, {240, 2400, 3135, 255},
     "Select the folder(s) to copy the files to in the"},
    {"Image6", Kind::Image, "Frame12", -1, {240, 2640, 240, 240}, nullptr, Picture::FolderGlyph},
    {"Label17", Kind::Label, "Frame12", -1, {480, 2640, 1215, 255}, "To Folder(s)"},
    {"Label18", Kind::Label, "Frame12", -1, {240, 2880, 3255, 1215},
     HelpToFolders, NoPicture, WordWrap},
    {"Label19", Kind::Label, "Frame12", -1, {240, 4080, 3255, 495},
     "Notice: A file and folder selection are required before Copy button is enabled.",
     NoPicture, WordWrap},
    {"Frame8", Kind::Frame, Tab1, OptionsHelpTab, {3840, 480, 2535, 1215}, "View"},
    {"Label3", Kind::Label, "Frame8", -1, {120, 240, 2055, 255}, "Show Files Of These Types"},
    {"HidChkBox", Kind::CheckBox, "Frame8", -1, {240, 480, 1455, 255}, "Hidden Files"},
    {"SysChkBox", Kind::CheckBox, "Frame8", -1, {240, 720, 1455, 255}, "System Files"},
    {"Frame10", Kind::Frame, Tab1, OptionsHelpTab, {3840, 1800, 2535, 855}, "Settings"},
    {"Check1", Kind::CheckBox, "Frame10", -1, {240, 360, 2055, 255}, "Don't Confirm Overwrites"},
    {"Image7", Kind::Image, Tab1, OptionsHelpTab, {4200, 2880, 480, 480},
     nullptr, Picture::ProgramIcon},
    {"Image8", Kind::Image, Tab1, OptionsHelpTab, {5520, 2880, 480, 480},
     nullptr, Picture::ProgramIcon},
    {"Label20", Kind::Label, Tab1, OptionsHelpTab, {4800, 2880, 615, 255}, "Version"},
    {"Label21", Kind::Label, Tab1, OptionsHelpTab, {4800, 3120, 615, 255}, "1.02"},
    {"Label22", Kind::Label, Tab1, OptionsHelpTab, {4560, 3480, 1095, 255},
     "Pelmora", NoPicture, Large},
    {"Label8", Kind::Label, Tab1, OptionsHelpTab, {4080, 3720, 2055, 495},
     "A 32-Bit Multiple File-Folder Copy Utility", NoPicture, WordWrap},
    {"Label23", Kind::Label, Tab1, OptionsHelpTab, {4800, 4200, 615, 255}, "1/97"},
    {"ExitBtn4", Kind::Button, Tab1, OptionsHelpTab, {3960, 4560, 2295, 495}, "Exit"},

    // ---- tab "About"
    {"Frame9", Kind::Frame, Tab1, AboutTab, {240, 480, 2415, 4575}, "About Pelmora"},
    {"Image2", Kind::Image, "Frame9", -1, {240, 360, 480, 480}, nullptr, Picture::ProgramIcon},
    {"Label12", Kind::Label, "Frame9", -1, {840, 360, 735, 255}, "Version"},
    {"Image3", Kind::Image, "Frame9", -1, {1680, 360, 480, 480}, nullptr, Picture::ProgramIcon},
    {"Label13", Kind::Label, "Frame9", -1, {960, 600, 495, 255}, "1.02"},
    {"Label6", Kind::Label, "Frame9", -1, {240, 960, 1935, 255}, "Pelmora", NoPicture, Large},
    {"Label7", Kind::Label, "Frame9", -1, {240, 1200, 1935, 495},
     "A 32-Bit Mutiple File-Folder Copy Utility", NoPicture, WordWrap},
    {"Label14", Kind::Label, "Frame9", -1, {240, 1680, 1935, 255}, "1/97"},
    {"Label28", Kind::Label, "Frame9", -1, {240, 1920, 1935, 615},
     "Designed to send files to multiple student folders on a campus network system.",
     NoPicture, WordWrap},
    {"Label29", Kind::Label, "Frame9", -1, {240, 2640, 1935, 855},
     "Copy files from multiple folders into a single folder (at one time) for backing up.",
     NoPicture, WordWrap},
    {"Label35", Kind::Label, "Frame9", -1, {240, 3480, 1935, 735},
     "Now supports floppy disk spanning for copying large numbers of files to floppy.",
     NoPicture, WordWrap},
    {"Label30", Kind::Label, "Frame9", -1, {240, 4200, 1935, 255}, "Many other uses."},
    {"Frame11", Kind::Frame, Tab1, AboutTab, {2760, 480, 3615, 3975}, "About Orvane"},
    // The maker's frame: its logo and nine lines about the maker.
    {"Image4", Kind::Image, "Frame11", -1, {997, 270, 1620, 540}, nullptr, Picture::MakerLogo},
    {"Label4", Kind::Label, "Frame11", -1, {240, 840, 3135, 255},
     "Orvane Software", NoPicture, Large | Centred},
    {"Label9", Kind::Label, "Frame11", -1, {240, 1095, 3135, 255},
     "Written by Tamsin Arkwright", NoPicture, Centred},
    {"Label10", Kind::Label, "Frame11", -1, {240, 1425, 3135, 255},
     "27 Lanternwick Row", NoPicture, Centred},
    {"Label24", Kind::Label, "Frame11", -1, {240, 1665, 3135, 255},
     "Fernhollow FX1 0ZZ", NoPicture, Centred},
    {"Label25", Kind::Label, "Frame11", -1, {240, 1905, 3135, 255},
     "Imaginaria", NoPicture, Centred},
    {"Label36", Kind::Label, "Frame11", -1, {240, 2235, 3135, 255},
     "Comments and ideas are welcome at:", NoPicture, Centred},
    {"Label26", Kind::Label, "Frame11", -1, {240, 2475, 3135, 255},
     "support@orvane.example", NoPicture, Centred},
    {"Label27", Kind::Label, "Frame11", -1, {240, 2820, 3135, 495},
     "Many thanks to the teachers and students who tried the early versions.", NoPicture,
     WordWrap | Centred},
    {"Label31", Kind::Label, "Frame11", -1, {240, 3360, 3135, 495},
     "Revision 1.02 (1/97): a large copy can now be spread over several disks.", NoPicture,
     WordWrap | Centred},
    {"ExitBtn3", Kind::Button, Tab1, AboutTab, {2880, 4560, 3375, 495}, "Exit"},
};
// clang-format on

const char* const TabCaptions[] = {"Copy File(s)", "To Folder(s)", "Options / Help", "About"};

const int StatusPanelWidths[] = {2000, 2000, 1210, 1210};

const char* const TabOrder[] = {
    "SSTab1",    "RemFileBtn",  "SelDirList", "Drive2",     "Dir2",     "DirSelBtn",
    "SSChkBox",  "RemDirBtn",   "ExitBtn1",   "CopyBtn1",   "Drive1",   "Dir1",
    "File1",     "SelFileList", "ClrDirBtn",  "ClrFileBtn", "ExitBtn2", "AllFileBtn",
    "HidChkBox", "SysChkBox",   "CopyBtn2",   "ExitBtn3",   "Check1",   "ExitBtn4",
};

} // namespace

std::span<const Control> controls() {
    return Controls;
}

std::span<const char* const> tabCaptions() {
    return TabCaptions;
}

std::span<const int> statusPanelWidths() {
    return StatusPanelWidths;
}

std::span<const char* const> tabOrder() {
    return TabOrder;
}

} // namespace pelmora_layout
