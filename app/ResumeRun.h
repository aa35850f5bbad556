// The resume of the previous run at start-up: the unfinished uploads whose
// file is unchanged are uploaded again (paused when the previous run ended
// paused, else running with code 2 to the client once it greeted), changed
// files get a new digest first, and with no upload left the saved drops are
// walked again. User-interface thread, after the windows are wired.
#pragma once

class DropPipeline;
class UploadQueue;

namespace resumerun {

void Resume(DropPipeline& pipeline, UploadQueue& queue);

}  // namespace resumerun
