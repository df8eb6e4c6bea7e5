#pragma once
// korvane-render: draws a model with the viewer's own scene into a PNG file, or
// many models into a folder of them.

namespace render {

// Runs the command line (argv as main receives it) and returns the exit status:
// 0, or 1 when a batch had failures or help could not be written. Raises
// cli::UsageError for a command line it cannot act on, base::Exception (or a
// subclass) with a message for the user for any other failure.
int RunRenderTool(int argc, char** argv);

}  // namespace render
