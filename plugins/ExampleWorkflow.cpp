#include "ExampleWorkflow.h"

#include <cstdio>

namespace examples {

bool ExampleWorkflow::OnMsgTouch(int message, int numInputs, int id1, int x1, int y1, int time1, int flag1,
                                 int id2, int x2, int y2, int time2, int flag2, int id3, int x3, int y3,
                                 int time3, int flag3, int id4, int x4, int y4, int time4, int flag4, int id5,
                                 int x5, int y5, int time5, int flag5, int id6, int x6, int y6, int time6,
                                 int flag6, int id7, int x7, int y7, int time7, int flag7, int id8, int x8,
                                 int y8, int time8, int flag8, int id9, int x9, int y9, int time9, int flag9,
                                 int id10, int x10, int y10, int time10, int flag10) {
    Handled("MsgTouch", message, numInputs);
    const Gesture gesture = touch_.Feed(numInputs, {{{id1, x1, y1, time1, flag1},
                                                     {id2, x2, y2, time2, flag2},
                                                     {id3, x3, y3, time3, flag3},
                                                     {id4, x4, y4, time4, flag4},
                                                     {id5, x5, y5, time5, flag5},
                                                     {id6, x6, y6, time6, flag6},
                                                     {id7, x7, y7, time7, flag7},
                                                     {id8, x8, y8, time8, flag8},
                                                     {id9, x9, y9, time9, flag9},
                                                     {id10, x10, y10, time10, flag10}}});
    if (gesture.phase != Phase::None) {
        OnGesture(gesture);
    }
    return false;
}

std::string DescribeKey(const std::string& utf8Key, const du::Symbol& systemKey) {
    if (utf8Key.empty()) {
        return systemKey.ToString();
    }
    std::string text;
    for (unsigned char c : utf8Key) {
        if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            text += escaped;
        } else {
            text += static_cast<char>(c);
        }
    }
    return text;
}

}  // namespace examples
