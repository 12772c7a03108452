#include "ZvPLock.h"

#include <sys/ipc.h>
#include <sys/sem.h>

namespace {

int sem_step(int sid, short delta) {
    sembuf op{};
    op.sem_num = 0;
    op.sem_op = delta;
    op.sem_flg = SEM_UNDO;
    return semop(sid, &op, 1);
}

} // namespace

ZvPLock::ZvPLock(const char* idPath) {
    key_t key = ftok(idPath, 2);
    if (key == -1)
        return;
    _sid = semget(key, 1, IPC_CREAT | 0660);
    if (_sid >= 0)
        (void)semctl(_sid, 0, SETVAL, 1);
}

ZvPLock::~ZvPLock() {
    if (_sid >= 0)
        (void)semctl(_sid, 0, IPC_RMID);
}

int ZvPLock::lock() {
    return sem_step(_sid, -1);
}

int ZvPLock::unlock() {
    return sem_step(_sid, 1);
}
