#pragma once
// One of N parts of a job's sources, for running one job as many processes
// (GNU parallel, a Slurm job array, an indexed Kubernetes job). The split
// depends only on the sources' paths, so every process of the same command
// agrees on it, on any machine; output names do not depend on it (the job
// names outputs from all its sources, then frames its part).

#include <string>
#include <vector>

struct CShard {
    int index = 1;  // 1 .. count
    int count = 1;
};

// Parses "K/N" (1 <= K <= N). False with `error` naming what is wrong.
bool ParseShard(const std::string& text, CShard& shard, std::string& error);

// The sources of `shard`: the sources sorted by their bytes, cut into
// `count` runs of as equal length as can be (neighbours in a folder stay
// together), the index-th run. The whole list, sorted, for 1/1.
std::vector<std::string> SelectShard(std::vector<std::string> sources, CShard shard);
