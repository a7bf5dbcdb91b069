#pragma once
// A link to a database server that a test can cut where it wants: a TCP relay
// on loopback that passes every byte both ways, and that, when armed, cuts
// the connection at the client's next COMMIT, either before the COMMIT
// reaches the server or after the server has answered it (the answer never
// reaches the client). New connections are relayed again afterwards, as a
// network that comes back.

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace prueba {

class Intermediario {
public:
    enum class Corte { Ninguno, AntesDelCommit, TrasLaRespuestaDelCommit };

    explicit Intermediario(int puertoServidor);
    ~Intermediario();
    Intermediario(const Intermediario&) = delete;
    Intermediario& operator=(const Intermediario&) = delete;

    int puerto() const { return mPuerto; }
    void cortarEnElCommit(Corte c) { mCorte = c; }
    // Whether the armed cut has happened.
    bool cortado() const { return mCortado; }

private:
    struct Enlace;
    void aceptar();
    void bombear(const std::shared_ptr<Enlace>& e, bool haciaServidor);

    int mPuertoServidor;
    int mEscucha = -1;
    int mPuerto = 0;
    std::atomic<Corte> mCorte{Corte::Ninguno};
    std::atomic<bool> mCortado{false};
    std::atomic<bool> mFin{false};
    std::thread mAceptador;
    std::mutex mMutex;
    std::vector<std::shared_ptr<Enlace>> mEnlaces;
    std::vector<std::thread> mBombas;
};

} // namespace prueba
