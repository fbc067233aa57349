// The flower clock's five models. Conventions: dial facing -Z (toward the
// viewer), +Y up, hands pointing +Y at twelve with their pivot at the origin.
// Depths are staggered toward -Z so nothing fights: dial surface, numerals,
// hour, minute and second hand, then the centre cap.
#pragma once

#include "StaticModel.h"

class FlowerModels {
public:
    static constexpr float kDialRadius = 12.0f;
    static constexpr float kNumeralRadius = 9.0f;
    static constexpr float kNumeralSize = 2.7f;
    static constexpr float kNumeralZ = -0.25f;
    // Front faces of the hands (hour, minute, second); each hand is 0.15 thick.
    static constexpr float kHandFrontZ[3] = {-0.55f, -0.85f, -1.15f};
    static constexpr float kHandThickness = 0.15f;
    static constexpr float kHandLength[3] = {6.6f, 9.6f, 10.6f};

    static StaticModel Base();
    static StaticModel Numerals();
    // nHand: 0 hour, 1 minute, 2 second.
    static StaticModel Hand(int nHand);
};
