#pragma once
// The window's controls as its dialog template places them, in dialog units
// of an 8-point dialog font at 96 dpi: a unit is 6/4 pixel across and 13/8
// pixel down.

#include <QRect>

// Control ids, as the window and its notifications name them.
enum EControlId : int {
    IDC_HELP_BUTTON = 3,
    IDC_LOGO_BUTTON = 5,
    IDC_CANCEL_BUTTON = 2,
    IDC_PICTURE_LIST = 1000,
    IDC_ADD = 1001,
    IDC_REMOVE = 1002,
    IDC_CLEAR_INPUTS = 1003,
    IDC_FOLDER_BOX = 1007,
    IDC_CHOOSE_FOLDER = 1008,
    IDC_STRENGTH_SLIDER = 1009,
    IDC_SUBFOLDER_CHOICE = 1010,
    IDC_PROCESS_IMAGES = 1011,
    IDC_ADD_FOLDER = 1013,
    IDC_STATUS_PROGRESS = 1014,
    IDC_STRENGTH_TEXT = 1015,
    IDC_PROGRESS = 1018,
    IDC_VIEW_OUTPUTS = 1019,
    IDC_DESTINATION_LINE = 1021,
    IDC_INCLUDE_SUBFOLDERS = 1023,
    IDC_SAVE_TYPE_LIST = 1024,
    IDC_SOURCE_LINE = 1026,
    IDC_DESIGNATED_CHOICE = 1028,
    IDC_DESIGNATE_LABEL = 1033,
    IDC_SUBFOLDER_LABEL = 1034,
    IDC_SOURCE_AREA = 1035,
    IDC_RESOLUTION_LIST = 1038,
    IDC_SOURCE_CAPTION = 1039,
    IDC_DESTINATION_CAPTION = 1040,
    IDC_RESOLUTION_CAPTION = 1041,
    IDC_INCLUDE_LABEL = 1042,
    IDC_PICTURE_AREA = 1044,
};

// A dialog-unit rectangle (left, top, width, height) in pixels, each edge
// rounded to the nearest pixel as the dialog manager does.
inline QRect MapDialogRect(int left, int top, int width, int height)
{
    auto across = [](int units) { return (units * 6 + 2) / 4; };
    auto down = [](int units) { return (units * 13 + 4) / 8; };
    const int x = across(left);
    const int y = down(top);
    return QRect(x, y, across(left + width) - x, down(top + height) - y);
}
