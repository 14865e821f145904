#pragma once

// The window is designed for 宋体 (SimSun); where it is missing, an installed CJK serif
// face stands in for it. Safe to call more than once.
void substituteSongTi();
