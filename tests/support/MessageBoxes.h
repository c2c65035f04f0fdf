#pragma once

namespace ovento::test {

// A message box would wait forever for a click nobody gives in a test: this reports each box
// on standard error and passes over it. The test main installs it; tests that watch the boxes
// themselves put it back when they are done.
void PassOverMessageBoxes();

} // namespace ovento::test
