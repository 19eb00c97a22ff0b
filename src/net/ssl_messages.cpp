#include "net/ssl_messages.h"

#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>

namespace vitrix {

std::string SSLMessage(TSSLFailure failure, const std::string& detail) {
  switch (failure) {
    case TSSLFailure::sfNone:
      return "N\xE9"
             "gociation TLS avec " +
             detail + ".";
    case TSSLFailure::sfSetup:
      return "Impossible de pr\xE9"
             "parer la connexion TLS (" +
             detail + ").";
    case TSSLFailure::sfTimeOut:
      return "D\xE9"
             "lai de n\xE9"
             "gociation TLS d\xE9"
             "pass\xE9"
             " : le serveur " +
             detail +
             " ne r\xE9"
             "pond pas.";
    case TSSLFailure::sfClosed:
      return "Le serveur " + detail +
             " a ferm\xE9"
             " la connexion pendant la n\xE9"
             "gociation TLS.";
    case TSSLFailure::sfSocket:
      return "La n\xE9"
             "gociation TLS a \xE9"
             "chou\xE9"
             " : " +
             detail;
    case TSSLFailure::sfTruncated:
      return "Le serveur " + detail +
             " a coup\xE9"
             " la connexion sans fermeture TLS : les donn\xE9"
             "es re\xE7"
             "ues sont incompl\xE8"
             "tes.";
    case TSSLFailure::sfBroken:
      return "La connexion TLS a \xE9"
             "chou\xE9"
             " (" +
             detail + ").";
  }
  return {};
}

std::string CertificateMessage(long verify_result, const std::string& host_name) {
  switch (verify_result) {
    case X509_V_ERR_CERT_HAS_EXPIRED:
      return "Le certificat du serveur " + host_name +
             " a expir\xE9"
             ".";
    case X509_V_ERR_CERT_NOT_YET_VALID: return "Le certificat du serveur " + host_name + " n'est pas encore valable.";
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
      return "Le certificat du serveur est \xE9"
             "mis pour un autre nom que " +
             host_name + ".";
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_CERT_UNTRUSTED:
      return "Le certificat du serveur " + host_name +
             " n'est pas reconnu : aucune autorit\xE9"
             " de confiance ne l'a sign\xE9"
             ".";
    default:
      return "Le certificat du serveur " + host_name +
             " est refus\xE9"
             " (" +
             X509_verify_cert_error_string(verify_result) + ").";
  }
}

std::string HandshakeMessage(int reason, const std::string& reason_text) {
  switch (reason) {
    case SSL_R_UNSUPPORTED_PROTOCOL:
    case SSL_R_TLSV1_ALERT_PROTOCOL_VERSION:
    case SSL_R_NO_PROTOCOLS_AVAILABLE:
    case SSL_R_VERSION_TOO_LOW:
      return "Le serveur ne propose qu'une version trop ancienne du protocole TLS (TLS 1.2 au moins est "
             "exig\xE9"
             ").";
    case SSL_R_WRONG_VERSION_NUMBER:
    case SSL_R_HTTP_REQUEST:
    case SSL_R_PACKET_LENGTH_TOO_LONG:
      return "Le serveur ne r\xE9"
             "pond pas en TLS.";
    default:
      return "Echec de la n\xE9"
             "gociation TLS (" +
             reason_text + ").";
  }
}

}  // namespace vitrix
