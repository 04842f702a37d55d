#pragma once
// A command whose work waits (in a nested event loop, or for a worker) can be chosen again
// meanwhile. Its static flag, held by one RunningFlag per run, tells the later run that
// the first is still under way; the flag is cleared when the first run ends, however it ends.

class RunningFlag {
public:
    explicit RunningFlag(bool& running) : running_(running), first_(!running) { running_ = true; }
    ~RunningFlag() {
        if (first_)
            running_ = false;
    }
    RunningFlag(const RunningFlag&) = delete;
    RunningFlag& operator=(const RunningFlag&) = delete;

    // False when another run of the command was under way: this one must do nothing.
    bool first() const { return first_; }

private:
    bool& running_;
    const bool first_;
};
