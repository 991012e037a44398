#pragma once
// The commands of gifdump. Each writes its results to `out`, a one-line error to `err`, and
// returns the process exit code (0 success, 1 failure, 2 usage).
//
//   info FILE                 screen and frame records
//   frames FILE DIR           DIR/frame-001.pam ...: each frame as the control shows it
//   export FILE I OUT         frame I as the one-image GIF the engine exports
//   play FILE [options]       events of the animation on a virtual clock
//   bench [--iterations N] FILE...   frame building speed

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace tovarin::tools::gifdump {

int RunInfo(const std::string& file, std::ostream& out, std::ostream& err);
int RunFrames(const std::string& file, const std::string& directory, std::ostream& out,
              std::ostream& err);
int RunExport(const std::string& file, int frame, const std::string& output, std::ostream& out,
              std::ostream& err);

struct PlayOptions {
  int min_delay = 50;          // MinFrameDelay, ms
  int stepped = 0;             // SteppedDelay, ms
  int loops = -1;              // Loops after the load; -1 keeps the file's count
  int delay_load = 1;          // DelayAnimation 0..3
  std::uint64_t until = 5000;  // virtual milliseconds to run
};
int RunPlay(const std::string& file, const PlayOptions& options, std::ostream& out,
            std::ostream& err);

int RunBench(const std::vector<std::string>& files, int iterations, std::ostream& out,
             std::ostream& err);

}  // namespace tovarin::tools::gifdump
