// A lock shared between processes: one System V semaphore keyed by a path.
#pragma once

class ZvPLock {
public:
    // Creates (or joins) the semaphore of ftok(idPath, 2) and sets it to 1: the lock is free.
    explicit ZvPLock(const char* idPath);
    // Removes the semaphore set for every process that uses it.
    ~ZvPLock();
    ZvPLock(const ZvPLock&) = delete;
    ZvPLock& operator=(const ZvPLock&) = delete;

    // Block while another holder has it. Both return the semop result (0, or -1 on failure).
    // SEM_UNDO releases the lock of a process that dies holding it.
    int lock();
    int unlock();

    bool valid() const { return _sid >= 0; }

private:
    int _sid = -1;
};
