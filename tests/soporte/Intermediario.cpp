#include "tests/soporte/Intermediario.h"

#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace prueba {

struct Intermediario::Enlace {
    int cliente = -1;
    int servidor = -1;
    // Set when the client's COMMIT went through: the server's next answer is dropped.
    std::atomic<bool> callarRespuesta{false};
    std::atomic<bool> cerrado{false};

    void cerrar() {
        if (cerrado.exchange(true)) return;
        // Wakes both relaying threads out of their reads.
        ::shutdown(cliente, SHUT_RDWR);
        ::shutdown(servidor, SHUT_RDWR);
    }
    ~Enlace() {
        if (cliente >= 0) ::close(cliente);
        if (servidor >= 0) ::close(servidor);
    }
};

namespace {

bool enviarTodo(int fd, const char* datos, ssize_t n) {
    while (n > 0) {
        const ssize_t k = ::send(fd, datos, static_cast<size_t>(n), MSG_NOSIGNAL);
        if (k <= 0) return false;
        datos += k;
        n -= k;
    }
    return true;
}

} // namespace

Intermediario::Intermediario(int puertoServidor)
    : mPuertoServidor(puertoServidor) {
    mEscucha = ::socket(AF_INET, SOCK_STREAM, 0);
    int si = 1;
    ::setsockopt(mEscucha, SOL_SOCKET, SO_REUSEADDR, &si, sizeof si);
    sockaddr_in dir{};
    dir.sin_family = AF_INET;
    dir.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    dir.sin_port = 0;
    ::bind(mEscucha, reinterpret_cast<sockaddr*>(&dir), sizeof dir);
    ::listen(mEscucha, 16);
    socklen_t largo = sizeof dir;
    ::getsockname(mEscucha, reinterpret_cast<sockaddr*>(&dir), &largo);
    mPuerto = ntohs(dir.sin_port);
    mAceptador = std::thread([this] { aceptar(); });
}

Intermediario::~Intermediario() {
    mFin = true;
    ::shutdown(mEscucha, SHUT_RDWR);
    mAceptador.join();
    ::close(mEscucha);
    {
        const std::lock_guard<std::mutex> l(mMutex);
        for (auto& e : mEnlaces)
            e->cerrar();
    }
    for (auto& t : mBombas)
        t.join();
}

void Intermediario::aceptar() {
    while (!mFin) {
        const int cliente = ::accept(mEscucha, nullptr, nullptr);
        if (cliente < 0) return;
        auto e = std::make_shared<Enlace>();
        e->cliente = cliente;
        e->servidor = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in dir{};
        dir.sin_family = AF_INET;
        dir.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        dir.sin_port = htons(static_cast<uint16_t>(mPuertoServidor));
        if (::connect(e->servidor, reinterpret_cast<sockaddr*>(&dir), sizeof dir) != 0) {
            e->cerrar();
            continue;
        }
        const std::lock_guard<std::mutex> l(mMutex);
        mEnlaces.push_back(e);
        mBombas.emplace_back([this, e] { bombear(e, true); });
        mBombas.emplace_back([this, e] { bombear(e, false); });
    }
}

void Intermediario::bombear(const std::shared_ptr<Enlace>& e, bool haciaServidor) {
    const int desde = haciaServidor ? e->cliente : e->servidor;
    const int hacia = haciaServidor ? e->servidor : e->cliente;
    char buf[16384];
    std::string cola; // the last bytes seen, for a COMMIT split across two reads
    for (;;) {
        const ssize_t n = ::recv(desde, buf, sizeof buf, 0);
        if (n <= 0) break;
        if (haciaServidor && mCorte != Corte::Ninguno) {
            cola.append(buf, static_cast<size_t>(n));
            if (cola.find("COMMIT") != std::string::npos) {
                const Corte c = mCorte.exchange(Corte::Ninguno);
                if (c == Corte::AntesDelCommit) {
                    mCortado = true;
                    break;
                }
                e->callarRespuesta = true;
            }
            if (cola.size() > 16) cola.erase(0, cola.size() - 16);
        }
        if (!haciaServidor && e->callarRespuesta) {
            // The server has committed and answered: the answer is lost with the link.
            mCortado = true;
            break;
        }
        if (!enviarTodo(hacia, buf, n)) break;
    }
    e->cerrar();
}

} // namespace prueba
