#pragma once
// Where the Modify and Forgot prompt boxes appear: one third of the screen in from the
// menu form's corner (the menu form covers the whole screen from 0, 0), in twips,
// rounded half to even.

struct TwipsPoint {
    double left = 0;
    double top = 0;
};

TwipsPoint promptPosition(double screenWidth, double screenHeight, double formLeft = 0,
                          double formTop = 0);
