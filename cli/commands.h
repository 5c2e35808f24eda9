#pragma once
// quillgraph-cli's commands. Each takes the words after its name and returns the exit status:
// 0 success, 1 failure, 2 usage error.
#include <iosfwd>
#include <string>
#include <vector>

namespace qg::cli {

using Args = std::vector<std::string>;

int CmdRead(const Args& args, std::ostream& out, std::ostream& err);
int CmdWrite(const Args& args, std::ostream& out, std::ostream& err);
int CmdMemory(const Args& args, std::ostream& out, std::ostream& err);
int CmdInfo(const Args& args, std::ostream& out, std::ostream& err);
int CmdExport(const Args& args, std::ostream& out, std::ostream& err);
int CmdCsv(const Args& args, std::ostream& out, std::ostream& err);
int CmdScan(const Args& args, std::ostream& out, std::ostream& err);
int CmdCollect(const Args& args, std::ostream& out, std::ostream& err);

// The whole program: argv without the program name.
int RunCli(const Args& args, std::ostream& out, std::ostream& err);

}  // namespace qg::cli
