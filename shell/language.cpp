#include "shell/language.h"

#include <array>
#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/cp1252.h"

namespace qg::shell {

LanguageFile LanguageFile::Parse(std::string_view cp1252) {
  LanguageFile file;
  file.loaded_ = true;
  std::string line;
  bool open = false;  // a line has begun and has not been ended
  for (std::size_t i = 0; i < cp1252.size(); ++i) {
    const char c = cp1252[i];
    if (c == '\r' || c == '\n') {
      file.lines_.push_back(platform::Cp1252ToUtf8(line.substr(0, line.find('\0'))));
      line.clear();
      open = false;
      if (c == '\r' && i + 1 < cp1252.size() && cp1252[i + 1] == '\n') ++i;
      continue;
    }
    line.push_back(c);
    open = true;
  }
  if (open) file.lines_.push_back(platform::Cp1252ToUtf8(line.substr(0, line.find('\0'))));
  return file;
}

LanguageFile LanguageFile::Load(const std::vector<std::filesystem::path>& candidates) {
  for (const auto& path : candidates) {
    std::error_code ec;
    // Only a regular file: opening a FIFO would block start-up until someone writes to it.
    if (!std::filesystem::is_regular_file(path, ec)) continue;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec || size > kLanguageFileMaxBytes) continue;
    std::ifstream in(path, std::ios::binary);
    if (!in) continue;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) continue;
    LanguageFile file = Parse(bytes);
    file.path_ = path;
    return file;
  }
  return {};
}

const std::string* LanguageFile::Line(int n) const {
  if (!loaded_ || n < 0 || static_cast<std::size_t>(n) >= lines_.size()) return nullptr;
  return &lines_[static_cast<std::size_t>(n)];
}

void LanguageFile::Apply(int n, std::string& target, std::string_view suffix) const {
  if (const std::string* line = Line(n)) {
    target = *line;
    target += suffix;
  }
}

std::vector<std::filesystem::path> LanguageCandidates(const std::filesystem::path& currentDir,
                                                      const std::filesystem::path& settingsDir) {
  return {currentDir / kLanguageFileName, settingsDir / kLanguageFileName};
}

namespace {

constexpr std::array<const char*, kLastLanguageLine + 1> kBuiltIn = {
    // 0-34: main menu captions
    "&Arquivo", "&Abrir", "&Salvar", "Salvar &Como", "&Exportar", "I&mportar",
    "Configurar Im&pressora", "&Imprimir", "Sai&r", "&Editar", "&Copiar", "&Visualizar",
    "&Gráfico", "&Leituras", "&Sobrepor Gráficos", "&Juntar Gráficos", "&Faixa de Zoom",
    "Zoom &In", "Zoom &Out", "100 &%", "&Dispositivo", "Con&figurar", "&Coletar", "&Monitorar",
    "&Configuradores", "&Janela", "&Cascata", "Organ&izar Ícones", "Organizar &Verticalmente",
    "Organizar &Horizontalmente", "&Restaurar Todas as Janelas", "&Minimizar Todas as Janelas",
    "&Fechar Todas as Janelas", "Aj&uda", "&Conteúdo",
    // 35-36
    "", "&Sobre",
    // 37-55: tool bar hints
    "Abrir Arquivo", "Salvar Arquivo", "Exportar", "Importar", "Imprimir", "Copiar",
    "Visualizar Gráfico", "Visualizar Dados", "Sobrepor Gráficos", "Juntar Gráficos",
    "Faixa de Zoom", "Zoom +", "Zoom -", "100%", "Executa os Configuradores de Dispositivo",
    "Configurar Dispositivos da Rede", "Coletar Aquisições", "Monitorar", "Ajuda",
    // 56-69: main window texts 0-13
    "", "Arquivo não existe!", "Monitoração Quillgraph (*.mon)|*.mon",
    "Arquivo Histórico Quillgraph (*.hst)|*.hst", "Selecione um gráfico de arquivo ou coleta!",
    "Importação de arquivo ainda não implementada!", "Informações Gerais",
    "Esta janela não pode ser impressa!", "Não há janela para imprimir!",
    "Configuração de Penas", "Não há gráficos de arquivo abertos!", "",
    "Esta janela não pode ser copiada!", "Não há janela para copiar!",
    // 70-76: overlay
    "Devem haver 2 gráficos de arquivo abertos para executar a Sobreposição!",
    "Não é possível realizar a Sobreposição com mais de 2 gráficos de arquivo abertos! Deixe "
    "apenas 2 gráficos!",
    "A janela do gráfico de arquivo deve estar selecionada para realizar a Sobreposição!",
    "Gráficos juntos somam mais de 16 Penas. Não é possível realizar a Sobreposição!",
    "Os gráficos possuem intervalos de aquisição diferentes. Não é possível realizar a "
    "Sobreposição!",
    "Forneça o Título do Gráfico de Sobreposição:", "Gráfico Sobreposição ",
    // 77-83: join
    "Devem haver 2 gráficos de arquivo abertos para executar a Junção!",
    "Não é possível realizar a Junção com mais de 2 gráficos de arquivo abertos! Deixe apenas 2 "
    "gráficos!",
    "A janela do gráfico de arquivo deve estar selecionada para realizar a Junção!",
    "Gráficos juntos somam mais de 16 Penas. Não é possível realizar a Junção!",
    "Gráficos se cruzam no horário. Não é possível realizar a Junção!",
    "Forneça o Título do Gráfico de Junção:", "Gráfico Junção ",
    // 84-100
    "Arquivo ", " não existe!", "Erro de comunicação Código ", "", "", "", "Nenhum", "", "", "",
    "O número máximo de Gráficos de monitoração que podem ser abertos é 8(oito)!",
    "Monitoração ", "Abrir Arquivo", "Salvar Arquivo", "Salvar Arquivo Como", "Exportar para",
    "Arquivo Texto (*.txt)|*.txt",
    // 101-116: device network dialog
    "Configurar Dispositivo", "Porta Serial", "Baud Rate", "&OK", "&Cancelar", "&Avançado",
    "COM1", "COM2", "COM3", "COM4", "N°", "Endereço", "Dispositivo", "Rótulo",
    "Label já declarado", "Endereço já declarado",
    // 117-124
    "Sobre o Quillgraph", "", "Modo", "Versão", "", "", "", "",
    // 125-137: monitor and file graph windows
    "Aquisição", "Data: XX/XX/1999  XX:XX:XX.X", "Data", "Configuração das Penas",
    "Nº Intervalo Base", "Efetuando coleta ...", "Coleta ", "Erro", "Arquivo gráfico",
    "Carregando dados do Canal", "no gráfico", "1ª aq.", "Última aq.",
    // 138-152: monitor configuration
    "Título", "Nome", "Parâmetro", "Tag", "Unid.", "Dec.", "Pena", "Histórico",
    "Taxa de Gravação (em seg)", "Instantâneo", "Média", "Mínimo", "Máximo", "&Aplicar",
    "&Fechar",
    // 153-179: monitor configuration messages
    "Todos os Arquivos|*.*", "Arquivo Histórico", "",
    "Posição do Ponto Decimal deve estar entre 0 e 3!",
    "Informe o nome do arquivo de histórico!",
    "Arquivo já existe! Continuar ao final do arquivo? Para continuar ao final do arquivo "
    "clique <Yes>. Para reiniciar os dados no arquivo clique <No>",
    "Dispositivo não encontrado", " - Monitoração e Aquisição", "Criar novo arquivo histórico?",
    "Houve mudança nas penas. O arquivo histórico não pode ser utilizado com esta alteração. "
    "Reinicie o histórico.",
    "Atenção", "A Porta Serial COM", "está em uso ou é inexistente", "", "", "",
    "Preencher todos os parâmetros para o Harrowmeter? O Harrowmeter deverá estar conectado e "
    "energizado.",
    "Aguarde ...", "Lendo tags do Harrowmeter ...", "Este dispositivo não possui tags internos!",
    "A porta está em uso ou inexistente! Não foi possível realizar leitura de tags internos!",
    "Lendo tags internos da Pena", "Erro na Leitura dos tipos de entrada",
    "Erro na Leitura de tags internos", "Este dispositivo não existe ou não é válido!",
    "Erro na leitura do Título", "Lendo tipos de entrada da Pena",
    // 180-188: start-up window, zoom range
    "Iniciando o Quillgraph.   Aguarde.........", "Faixa de Zoom", "Aquisições:", "Início:",
    "Final:", "Valores:", "Escala do Canal:", "De:", "até:",
    // 189-192: collection
    "Coletar Dados", "Este dispositivo não possui coleta de aquisições!",
    "A porta está em uso ou inexistente! Não foi possível realizar coleta!",
    "Não é possível realizar coleta enquanto houver algum gráfico de monitoração!",
    // 193-194: device type selection
    "Seleção de Dispositivo", "Selecione o Dispositivo:",
    // 195-205: list window
    "Lista de Dados", "Hora", "Nome do Arquivo", "Primeira Aquisição", "Última Aquisição",
    "Número de Intervalos Base", "seg", "Intervalo Base entre Aquisições", "Número de Série",
    "Versão de Firmware",
    "Pena Tipo de Entrada  TAG      Unid.Eng Multipl. Lim.Inf. Lim.Sup.",
    // 206-219
    "", "Habilita Pena", "Cor:", "Alarme Lo:", "Alarme Hi:",
    "O alarme Lo deve ter valor inferior ao do alarme Hi!", "Lendo 1ª parte Configuração",
    "Lendo 2ª parte Configuração", "h", "min",
    " N#  Data       Hora        Canal 1  Canal 2  Canal 3  Canal 4  Canal 5  Canal 6  Canal 7"
    "  Canal 8  Canal 9 Canal 10 Canal 11 Canal 12 Canal 13 Canal 14 Canal 15 Canal 16",
    "", "Formato de Histórico inválido", "Título do Gráfico",
    // 220-236: configurators and time-out dialogs
    "", "", "", "", "", "", "Executa o Configurador", "", "Configuração:", "", "&Executar",
    "Não é possível realizar Busca Automática enquanto houver algum gráfico de monitoração!",
    "Não foi encontrado o arquivo HRWCFG.EXE",
    "Não é possível realizar Executar o Configurador enquanto houver algum gráfico de "
    "monitoração!",
    "Não foi encontrado o arquivo HRWCFG.EXE", "Configurações Avançadas", "Timeout (mseg):",
    // 237-240: collection messages
    "Erro na leitura da 1ª parte da configuração!", "Erro na leitura da 2ª parte da configuração!",
    "Erro na leitura da 3ª parte da configuração!", "Erro na coleta!",
    // 241-248: link error texts
    "Endereço de retorno inválido!", "Número de bytes a receber inválido!",
    "Endereço de registrador inválido!", "Valor escrito de retorno inválido!",
    "Resposta de exceção!", "Comando inválido", "CRC inválido", "Timeout",
};

const std::array<std::string, kLastLanguageLine + 1>& BuiltInTable() {
  static const auto table = [] {
    std::array<std::string, kLastLanguageLine + 1> t;
    for (std::size_t i = 0; i < t.size(); ++i) t[i] = kBuiltIn[i];
    return t;
  }();
  return table;
}

}  // namespace

const std::string& BuiltInLine(int n) {
  static const std::string kEmpty;
  if (n < 0 || n > kLastLanguageLine) return kEmpty;
  return BuiltInTable()[static_cast<std::size_t>(n)];
}

bool IsUnusedLine(int n) {
  static constexpr int kUnused[] = {35,  56,  67,  87,  88,  89,  91,  92,  93,  118, 121, 122,
                                    123, 124, 155, 166, 167, 168, 206, 217, 220, 221, 222, 223,
                                    224, 225, 227, 229};
  if (n < 0 || n > kLastLanguageLine) return true;
  for (int u : kUnused)
    if (u == n) return true;
  return false;
}

}  // namespace qg::shell
