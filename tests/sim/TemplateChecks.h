#pragma once
// Checks of a dialog template as the program's resources define it.
#include <gtest/gtest.h>

#include <vector>

#include "platform/sim/SimDialogTemplate.h"

// The template's controls in their template order, each with its class, text and place;
// `more` checks what else each control must have. `Want` has id, className, text, x, y,
// width and height.
template <typename Want, typename More>
void expectControlsInOrder(const sim::SimDialogTemplate& t, const std::vector<Want>& wanted, More&& more) {
    ASSERT_EQ(t.controls.size(), wanted.size());
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        const sim::SimControl& got = t.controls[i];
        const Want& want = wanted[i];
        SCOPED_TRACE(want.id);
        EXPECT_EQ(got.id, want.id) << "template order";
        EXPECT_EQ(got.className, want.className);
        EXPECT_EQ(got.text, want.text);
        EXPECT_EQ(std::vector<int>({got.x, got.y, got.width, got.height}),
                  std::vector<int>({want.x, want.y, want.width, want.height}));
        more(got, want);
    }
}
