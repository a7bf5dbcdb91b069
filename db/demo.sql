-- Demo data: enough for a newcomer to try every feature.

INSERT INTO TA_BANCOS (IDBANCO, DESCRIPCION, CUIT) VALUES
    ('1', 'BANCO DE LA NACION', '30500010912'),
    ('2', 'BANCO PROVINCIA', '33999242109'),
    ('3', 'BANCO GALICIA', '30500001735'),
    ('4', 'BANCO SANTANDER', '30500008454'),
    ('5', 'BANCO MACRO', '30500010084'),
    ('6', 'BANCO BBVA', '30500003193'),
    ('7', 'BANCO CREDICOOP', '30571421352'),
    ('8', 'BANCO CIUDAD', '30999032083'),
    ('9', 'BANCO PATAGONIA', '30500006613'),
    ('10', 'BANCO SUPERVIELLE', '33500005179'),
    ('11', 'BANCO ICBC', '30500003622'),
    ('12', 'BANCO DEL SOL', '30711610126');

-- Chart of accounts: digits 1-1-1-2-3-2; bank accounts hang from 11102,
-- deferred-payment cheques from 21103.
INSERT INTO ta_configuracion (CLAVE, VALOR, Grupo) VALUES
    ('Digitos_Capitulo', '1', 'Contabilidad'),
    ('Digitos_SubCapitulo', '1', 'Contabilidad'),
    ('Digitos_Rubro', '1', 'Contabilidad'),
    ('Digitos_SubRubro', '2', 'Contabilidad'),
    ('Digitos_Cuenta', '3', 'Contabilidad'),
    ('Digitos_SubCuenta', '2', 'Contabilidad'),
    ('TituloBancos', '11102', 'Contabilidad'),
    ('TITULOBANCOSDIFERIDO', '21103', 'Contabilidad'),
    ('SS_CONFIDENCIALIDAD', 'NO', 'General'),
    ('UTILIZARFECHADIA', 'NO', 'General'),
    ('Top_Default', '1000', 'General'),
    ('TopConsArt', '1000', 'General'),
    ('UsaConsultaLike', 'NO', 'General'),
    ('CFondo', '16776960', 'Apariencia'),
    ('CLetra', '0', 'Apariencia'),
    ('THEME', '1', 'Apariencia');

INSERT INTO MA_CUENTAS (CODIGO, TITULO, DESCRIPCION, Imputable) VALUES
    ('1', 1, 'ACTIVO', 0),
    ('11', 1, 'ACTIVO CORRIENTE', 0),
    ('111', 1, 'CAJA Y BANCOS', 0),
    ('11101', 1, 'CAJA', 0),
    ('11102', 1, 'BANCOS CUENTAS CORRIENTES', 0),
    ('2', 1, 'PASIVO', 0),
    ('21', 1, 'PASIVO CORRIENTE', 0),
    ('211', 1, 'DEUDAS', 0),
    ('21103', 1, 'CHEQUES DIFERIDOS A PAGAR', 0),
    ('11101001', 0, 'CAJA EN PESOS', 1);

INSERT INTO TA_CCOSTO (CODIGO, DESCRIPCION) VALUES
    ('1', 'ADMINISTRACION'),
    ('11', 'TESORERIA'),
    ('12', 'CONTADURIA'),
    ('2', 'COMERCIAL');

INSERT INTO ta_usuarios (Nombre, Administrador, UNegocio) VALUES
    ('ADMIN', 1, '1'),
    ('CAJERO', 0, '1');

INSERT INTO TA_MENU (Clave, Proceso, Nombre) VALUES
    ('TES010', 'SHELL Quenzar', 'Chequeras'),
    ('TES020', 'SHELL Tesoreria', 'Tesoreria');

INSERT INTO TA_TAREAS (USUARIO, TAREA) VALUES
    ('ADMIN', 'TES010'),
    ('ADMIN', 'TES020'),
    ('CAJERO', 'TES020');
