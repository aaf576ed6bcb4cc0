// zelvora-stamp: stamps a page and the local pages it links to, from the command line.
#include <clocale>
#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "cli/stamp_command.h"
#include "platform/terminal.h"

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  zelvora::UseUtf8StandardStreams();
  zelvora::CatchInterrupts();
  if (!zelvora::IsTerminal(zelvora::StandardStream::kError)) {
    // Log entries of a large run written into a file or pipe: buffered, not one write each.
    std::cerr.unsetf(std::ios_base::unitbuf);
    std::setvbuf(stderr, nullptr, _IOFBF, 1 << 16);
  }
  const std::vector<std::string> args = zelvora::ProgramArguments(argc, argv);
  const zelvora::StampCommandIo io{
      std::cin,
      std::cout,
      std::cerr,
      zelvora::IsTerminal(zelvora::StandardStream::kInput),
      zelvora::IsTerminal(zelvora::StandardStream::kError),
  };
  // Whatever goes wrong is told as a message with the status of an aborted run; no exception
  // ends the process with an unexplained abort.
  try {
    return zelvora::RunStampCommand(args, io);
  } catch (const std::exception& failure) {
    std::cerr << "zelvora-stamp: " << failure.what() << std::endl;
  } catch (...) {
    std::cerr << "zelvora-stamp: unexpected failure" << std::endl;
  }
  return zelvora::kExitAborted;
}
