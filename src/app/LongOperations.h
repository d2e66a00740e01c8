#pragma once

// Opening, saving and printing each hold a guard while they run: the windows they work on must not
// go away under them, and no second one may start.
class LongOperations {
public:
    class Guard {
    public:
        explicit Guard(LongOperations& operations) : operations_(operations) { ++operations_.running_; }
        ~Guard() { --operations_.running_; }
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;

    private:
        LongOperations& operations_;
    };

    bool Running() const { return running_ > 0; }

private:
    int running_ = 0;
};
