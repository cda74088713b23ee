#pragma once

#include "model/monitoringsetup.h"

#include <array>

// The design's programming panel, one row per control, as the window's designer laid it out: the
// panel and the focus order are both built from this table, and its twips are written nowhere else.
namespace Tensiova::PanelDesign {

enum class Control {
    Frame, // Frame2(channel): 0 the analogue grid, 1 the logic grid
    Heading, // a column heading of the family's grid, sized to its text
    RowCaption, // "AN0".."AN7", "ET1".."ET8"
    TextBox, // min, max, coeff, et
    ActionList, // Combo2, Combo1
    Clock, // Label5, sized to its text
    Answers, // Text1
    SendButton, // Command6, "Envoi "
    CloseButton, // Command5, "Quitter"
};
enum class Colour { Default, Blue, Red, White, LightYellow };

struct Row
{
    Control control;
    Family family; // of a channel control, heading or caption
    int channel; // -1 where none
    int frame; // the container: -1 the panel (Frame4), 0 or 1 a grid's frame
    int left, top, width, height; // twips; a width of 0: sized to its text
    Colour colour;
    int focus; // place in the focus order, the first having the focus; -1 none
};

inline constexpr std::array<Row, 76> Rows {{
    {Control::Frame, Family::Min, 0, -1, 90, 450, 6885, 5295, Colour::Blue, -1},
    {Control::Frame, Family::Et, 1, -1, 6990, 450, 4395, 5295, Colour::Blue, -1},
    {Control::Heading, Family::Min, -1, 0, 1410, 510, 0, 0, Colour::Red, -1},
    {Control::Heading, Family::Max, -1, 0, 2760, 510, 0, 0, Colour::Red, -1},
    {Control::Heading, Family::Coeff, -1, 0, 4230, 510, 0, 0, Colour::Red, -1},
    {Control::Heading, Family::AnalogAction, -1, 0, 5430, 510, 0, 0, Colour::Red, -1},
    {Control::RowCaption, Family::Min, 0, 0, 390, 900, 735, 315, Colour::Blue, -1},
    {Control::RowCaption, Family::Min, 1, 0, 390, 1350, 735, 315, Colour::Blue, -1},
    {Control::RowCaption, Family::Min, 2, 0, 390, 1770, 735, 315, Colour::Blue, -1},
    {Control::RowCaption, Family::Min, 3, 0, 390, 2160, 735, 315, Colour::Blue, -1},
    {Control::RowCaption, Family::Min, 4, 0, 390, 2550, 735, 315, Colour::Blue, -1},
    {Control::RowCaption, Family::Min, 5, 0, 390, 3000, 735, 315, Colour::Blue, -1},
    {Control::RowCaption, Family::Min, 6, 0, 390, 3420, 735, 315, Colour::Blue, -1},
    {Control::RowCaption, Family::Min, 7, 0, 390, 3840, 735, 315, Colour::Blue, -1},
    {Control::Heading, Family::Et, -1, 1, 1110, 480, 0, 0, Colour::Red, -1},
    {Control::Heading, Family::LogicAction, -1, 1, 2670, 480, 0, 0, Colour::Red, -1},
    {Control::RowCaption, Family::Et, 0, 1, 270, 930, 735, 315, Colour::Blue, -1},
    {Control::RowCaption, Family::Et, 1, 1, 270, 1320, 735, 315, Colour::Blue, -1},
    {Control::RowCaption, Family::Et, 2, 1, 270, 1740, 735, 315, Colour::Blue, -1},
    {Control::RowCaption, Family::Et, 3, 1, 270, 2130, 735, 315, Colour::Blue, -1},
    {Control::RowCaption, Family::Et, 4, 1, 270, 2550, 735, 315, Colour::Blue, -1},
    {Control::RowCaption, Family::Et, 5, 1, 270, 2940, 735, 315, Colour::Blue, -1},
    {Control::RowCaption, Family::Et, 6, 1, 270, 3390, 735, 315, Colour::Blue, -1},
    {Control::RowCaption, Family::Et, 7, 1, 270, 3780, 735, 315, Colour::Blue, -1},
    {Control::TextBox, Family::Min, 0, 0, 1170, 900, 1215, 345, Colour::White, 5},
    {Control::TextBox, Family::Max, 0, 0, 2580, 900, 1215, 345, Colour::White, 10},
    {Control::TextBox, Family::Coeff, 0, 0, 4050, 900, 885, 345, Colour::LightYellow, 43},
    {Control::ActionList, Family::AnalogAction, 0, 0, 5220, 900, 1550, 315, Colour::Default, 18},
    {Control::TextBox, Family::Min, 1, 0, 1170, 1320, 1215, 345, Colour::White, 4},
    {Control::TextBox, Family::Max, 1, 0, 2580, 1320, 1215, 345, Colour::White, 11},
    {Control::TextBox, Family::Coeff, 1, 0, 4050, 1320, 885, 345, Colour::LightYellow, 44},
    {Control::ActionList, Family::AnalogAction, 1, 0, 5220, 1320, 1550, 315, Colour::Default, 19},
    {Control::TextBox, Family::Min, 2, 0, 1170, 1740, 1215, 345, Colour::White, 3},
    {Control::TextBox, Family::Max, 2, 0, 2580, 1740, 1215, 345, Colour::White, 12},
    {Control::TextBox, Family::Coeff, 2, 0, 4050, 1740, 885, 345, Colour::LightYellow, 45},
    {Control::ActionList, Family::AnalogAction, 2, 0, 5220, 1740, 1550, 315, Colour::Default, 20},
    {Control::TextBox, Family::Min, 3, 0, 1170, 2160, 1215, 345, Colour::White, 2},
    {Control::TextBox, Family::Max, 3, 0, 2580, 2160, 1215, 345, Colour::White, 13},
    {Control::TextBox, Family::Coeff, 3, 0, 4050, 2160, 885, 345, Colour::LightYellow, 46},
    {Control::ActionList, Family::AnalogAction, 3, 0, 5220, 2160, 1550, 315, Colour::Default, 21},
    {Control::TextBox, Family::Min, 4, 0, 1170, 2550, 1215, 345, Colour::White, 1},
    {Control::TextBox, Family::Max, 4, 0, 2580, 2550, 1215, 345, Colour::White, 14},
    {Control::TextBox, Family::Coeff, 4, 0, 4050, 2550, 885, 345, Colour::LightYellow, 47},
    {Control::ActionList, Family::AnalogAction, 4, 0, 5220, 2550, 1550, 315, Colour::Default, 22},
    {Control::TextBox, Family::Min, 5, 0, 1170, 2970, 1215, 345, Colour::White, 0},
    {Control::TextBox, Family::Max, 5, 0, 2580, 2970, 1215, 345, Colour::White, 15},
    {Control::TextBox, Family::Coeff, 5, 0, 4050, 2970, 885, 345, Colour::LightYellow, 48},
    {Control::ActionList, Family::AnalogAction, 5, 0, 5220, 2970, 1550, 315, Colour::Default, 23},
    {Control::TextBox, Family::Min, 6, 0, 1170, 3390, 1215, 345, Colour::White, 8},
    {Control::TextBox, Family::Max, 6, 0, 2580, 3390, 1215, 345, Colour::White, 16},
    {Control::TextBox, Family::Coeff, 6, 0, 4050, 3390, 885, 345, Colour::LightYellow, 49},
    {Control::ActionList, Family::AnalogAction, 6, 0, 5220, 3390, 1550, 315, Colour::Default, 24},
    {Control::TextBox, Family::Min, 7, 0, 1170, 3810, 1215, 345, Colour::White, 9},
    {Control::TextBox, Family::Max, 7, 0, 2580, 3810, 1215, 345, Colour::White, 17},
    {Control::TextBox, Family::Coeff, 7, 0, 4050, 3810, 885, 345, Colour::LightYellow, 50},
    {Control::ActionList, Family::AnalogAction, 7, 0, 5220, 3810, 1550, 315, Colour::Default, 25},
    {Control::TextBox, Family::Et, 0, 1, 1050, 870, 1215, 345, Colour::Default, 36},
    {Control::ActionList, Family::LogicAction, 0, 1, 2370, 900, 1550, 315, Colour::Default, 26},
    {Control::TextBox, Family::Et, 1, 1, 1050, 1260, 1215, 345, Colour::Default, 37},
    {Control::ActionList, Family::LogicAction, 1, 1, 2370, 1320, 1550, 315, Colour::Default, 27},
    {Control::TextBox, Family::Et, 2, 1, 1050, 1710, 1215, 345, Colour::Default, 38},
    {Control::ActionList, Family::LogicAction, 2, 1, 2370, 1740, 1550, 315, Colour::Default, 28},
    {Control::TextBox, Family::Et, 3, 1, 1050, 2100, 1215, 345, Colour::Default, 39},
    {Control::ActionList, Family::LogicAction, 3, 1, 2370, 2160, 1550, 315, Colour::Default, 29},
    {Control::TextBox, Family::Et, 4, 1, 1050, 2520, 1215, 345, Colour::Default, 40},
    {Control::ActionList, Family::LogicAction, 4, 1, 2370, 2580, 1550, 315, Colour::Default, 30},
    {Control::TextBox, Family::Et, 5, 1, 1050, 2910, 1215, 345, Colour::Default, 41},
    {Control::ActionList, Family::LogicAction, 5, 1, 2370, 2970, 1550, 315, Colour::Default, 31},
    {Control::TextBox, Family::Et, 6, 1, 1050, 3330, 1215, 345, Colour::Default, 35},
    {Control::ActionList, Family::LogicAction, 6, 1, 2370, 3390, 1550, 315, Colour::Default, 32},
    {Control::TextBox, Family::Et, 7, 1, 1050, 3750, 1215, 345, Colour::Default, 34},
    {Control::ActionList, Family::LogicAction, 7, 1, 2370, 3780, 1550, 315, Colour::Default, 33},
    {Control::Clock, Family::Min, -1, -1, 5010, 5880, 0, 0, Colour::Default, -1},
    {Control::Answers, Family::Min, -1, -1, 4230, 6180, 3285, 345, Colour::Default, 7},
    {Control::SendButton, Family::Min, -1, -1, 9870, 6090, 1515, 285, Colour::Default, 42},
    {Control::CloseButton, Family::Min, -1, -1, 9870, 6420, 1515, 285, Colour::Default, 6},
}};

// The panel itself, Frame4, on the window's client area.
inline constexpr Row Panel {Control::Frame, Family::Min,     -1, -1, 0, 45, 11535,
                            6795,           Colour::Default, -1};
// The client area below the menu bar.
inline constexpr int ClientWidth = 11550;
inline constexpr int ClientHeight = 6840;

} // namespace Tensiova::PanelDesign
