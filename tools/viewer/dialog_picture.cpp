#include "dialog_picture.h"

#include <platform/testing.h>

#include <stdexcept>

namespace viewer {

ShownDialog::ShownDialog(char key) {
    using platform::testing::postKey;
    for (UINT k : {UINT{VK_CONTROL}, UINT(key)})
        postKey(k, true);
    postKey(UINT(key), false);
    postKey(VK_CONTROL, false);
    dialog = platform::testing::waitForDialogs(1, 10000);
    if (!dialog)
        throw std::runtime_error(std::string("Ctrl+") + key + " opened no dialog");
}

ShownDialog::~ShownDialog() {
    EndDialog(dialog, IDCANCEL);
}

}  // namespace viewer
