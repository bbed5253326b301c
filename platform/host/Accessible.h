#pragma once
// What a screen reader is told of the host's windows and controls, through
// Qt's accessibility (AT-SPI on Linux). A window is a window named by its
// caption; a label is text, or a button when it is a tab stop; a list
// view's entries are check boxes with their texts and ticks. Every text is
// handed over plain, as it is shown.

namespace platform {

class ListView;

// Lets Qt ask this layer for the interfaces above. Each control calls it
// when it is made; only the first call installs anything.
void InstallAccessibleFactory();
// Tells a screen reader that entry `row` (from 0) was ticked or cleared.
void AnnounceCheckChange(ListView& list, int row);

}  // namespace platform
