#pragma once
// The setuppack commands. Each takes the arguments after its name and
// returns the exit code: 0 done, 1 failed or rejected, 2 usage error.

#include <string>
#include <vector>

int RunBuild(const std::vector<std::string>& args);
int RunList(const std::vector<std::string>& args);
int RunVerify(const std::vector<std::string>& args);
int RunExtract(const std::vector<std::string>& args);
